// The model load dialog of the Tavrix Loader effect. The effect hands this
// script to the host's script engine when the user presses "Load .moc". The
// script's value is the dialog result: compact JSON naming the model file and
// its textures ({"modelPath":..., "texturePaths": [...],
// "dontResetParams": false}), or the empty text when the user cancels.
// Problems it cannot answer for (an unreadable model JSON file, one without
// "model" or "textures") end the script with an error naming them, so that
// the effect keeps its model and tells the user why.
//
// Written for the oldest engines a host may have: no ES5 library calls
// beyond those tested for, and no JSON unless the engine brings it.

// A serializer for engines without JSON. Its text is the engine's own for
// every value the dialog writes: compact, members in enumeration order,
// U+2028 and U+2029 escaped as the engine escapes them.
if (typeof JSON !== "object" || JSON === null) {
    JSON = {};
}
if (typeof JSON.stringify !== "function") {
    JSON.stringify = function (value) {
        return writeJsonValue(value);
    };
}
if (typeof JSON.parse !== "function") {
    JSON.parse = function (text) {
        return readLiteral(String(text), false);
    };
}

function isArrayValue(value) {
    return Object.prototype.toString.call(value) === "[object Array]";
}

function quoteJsonText(text) {
    var shortForms = { 8: "\\b", 9: "\\t", 10: "\\n", 12: "\\f", 13: "\\r" };
    var out = "\"";
    for (var i = 0; i < text.length; i++) {
        var c = text.charAt(i);
        var code = text.charCodeAt(i);
        if (c === "\"" || c === "\\") {
            out += "\\" + c;
        } else if (code < 0x20 || code === 0x2028 || code === 0x2029) {
            out += shortForms[code] || "\\u" + ("0000" + code.toString(16)).slice(-4);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The JSON text of value; undefined for what JSON cannot hold (undefined,
// functions), which objects leave out and arrays write as null.
function writeJsonValue(value) {
    if (value !== null && typeof value === "object" && typeof value.toJSON === "function") value = value.toJSON();
    if (value instanceof String || value instanceof Number || value instanceof Boolean) value = value.valueOf();
    if (value === null) return "null";
    switch (typeof value) {
    case "string":
        return quoteJsonText(value);
    case "number":
        return isFinite(value) ? String(value) : "null";
    case "boolean":
        return String(value);
    case "object":
        var parts = [];
        if (isArrayValue(value)) {
            for (var i = 0; i < value.length; i++) {
                var item = writeJsonValue(value[i]);
                parts.push(item === undefined ? "null" : item);
            }
            return "[" + parts.join(",") + "]";
        }
        for (var name in value) {
            if (!Object.prototype.hasOwnProperty.call(value, name)) continue;
            var member = writeJsonValue(value[name]);
            if (member !== undefined) parts.push(quoteJsonText(name) + ":" + member);
        }
        return "{" + parts.join(",") + "}";
    default:
        return undefined;
    }
}

// Reads one literal value from text without running anything in it: strict
// JSON, or with lenient also what people write in hand-made object literals
// (unquoted and single-quoted names, single-quoted texts, comments, trailing
// commas, signed and hexadecimal numbers, Infinity, NaN, undefined, and
// parentheses around the whole). Throws a SyntaxError naming the line and
// column of the first fault.
function readLiteral(text, lenient) {
    var pos = 0;
    var depth = 0;
    var MAX_DEPTH = 500;

    function fail(what) {
        var line = 1;
        var lineStart = 0;
        for (var i = 0; i < pos && i < text.length; i++) {
            if (text.charAt(i) === "\n") {
                line++;
                lineStart = i + 1;
            }
        }
        throw new SyntaxError(what + " at line " + line + ", column " + (pos - lineStart + 1));
    }
    function isLineEnd(c) {
        return c === "\n" || c === "\r" || c === "\u2028" || c === "\u2029";
    }
    function isSpace(c) {
        if (c === " " || c === "\t" || c === "\n" || c === "\r") return true;
        return lenient && (c === "\u000b" || c === "\f" || c === "\u00a0" || c === "\ufeff" || isLineEnd(c));
    }
    function isDigit(c) {
        return c >= "0" && c <= "9";
    }
    function isWordStart(c) {
        return (c >= "a" && c <= "z") || (c >= "A" && c <= "Z") || c === "_" || c === "$";
    }
    function skipSpace() {
        for (;;) {
            var c = text.charAt(pos);
            if (c !== "" && isSpace(c)) {
                pos++;
            } else if (lenient && c === "/" && text.charAt(pos + 1) === "/") {
                while (pos < text.length && !isLineEnd(text.charAt(pos))) pos++;
            } else if (lenient && c === "/" && text.charAt(pos + 1) === "*") {
                var end = text.indexOf("*/", pos + 2);
                if (end < 0) fail("unclosed comment");
                pos = end + 2;
            } else {
                return;
            }
        }
    }
    function word() {
        var start = pos;
        while (pos < text.length && (isWordStart(text.charAt(pos)) || isDigit(text.charAt(pos)))) pos++;
        return text.substring(start, pos);
    }
    function expect(c) {
        skipSpace();
        if (text.charAt(pos) !== c) fail(pos < text.length ? "expected '" + c + "'" : "unexpected end");
        pos++;
    }
    function hexValue(count) {
        var digits = text.substr(pos, count);
        if (digits.length !== count || !/^[0-9a-fA-F]+$/.test(digits)) fail("bad escape");
        pos += count;
        return parseInt(digits, 16);
    }
    function quoted() {
        var quote = text.charAt(pos++);
        var out = "";
        for (;;) {
            if (pos >= text.length) fail("unclosed text");
            var c = text.charAt(pos++);
            if (c === quote) return out;
            if (c !== "\\") {
                if (isLineEnd(c) || (!lenient && c < " ")) fail("line break or control character in a text");
                out += c;
                continue;
            }
            var e = text.charAt(pos++);
            if (e === "u") {
                out += String.fromCharCode(hexValue(4));
            } else if (e === "\"" || e === "\\" || e === "/") {
                out += e;
            } else if (e === "b" || e === "f" || e === "n" || e === "r" || e === "t") {
                out += { b: "\b", f: "\f", n: "\n", r: "\r", t: "\t" }[e];
            } else if (!lenient || e === "") {
                pos--;
                fail("bad escape");
            } else if (e === "x") {
                out += String.fromCharCode(hexValue(2));
            } else if (e === "v") {
                out += "\u000b";
            } else if (e === "0" && !isDigit(text.charAt(pos))) {
                out += "\u0000";
            } else if (isLineEnd(e)) {
                // A continued line.
                if (e === "\r" && text.charAt(pos) === "\n") pos++;
            } else {
                out += e;
            }
        }
    }
    function number() {
        var start = pos;
        var sign = 1;
        if (text.charAt(pos) === "-" || (lenient && text.charAt(pos) === "+")) {
            if (text.charAt(pos) === "-") sign = -1;
            pos++;
        }
        if (lenient && isWordStart(text.charAt(pos))) {
            var name = word();
            if (name === "Infinity") return sign * Infinity;
            if (name === "NaN") return NaN;
            pos = start;
            fail("bad number");
        }
        if (lenient && text.charAt(pos) === "0" && (text.charAt(pos + 1) === "x" || text.charAt(pos + 1) === "X")) {
            pos += 2;
            var hexStart = pos;
            while (/[0-9a-fA-F]/.test(text.charAt(pos))) pos++;
            if (pos === hexStart) fail("bad number");
            return sign * parseInt(text.substring(hexStart, pos), 16);
        }
        var digitsStart = pos;
        var pattern = lenient ? /^(\d+\.?\d*|\.\d+)([eE][+\-]?\d+)?/ : /^(0|[1-9]\d*)(\.\d+)?([eE][+\-]?\d+)?/;
        var match = pattern.exec(text.substring(pos));
        if (!match) fail("bad number");
        pos += match[0].length;
        if (isWordStart(text.charAt(pos)) || isDigit(text.charAt(pos))) fail("bad number");
        return sign * Number(text.substring(digitsStart, pos));
    }
    function setMember(object, name, value) {
        // An own member even for "__proto__", as JSON.parse makes it.
        if (typeof Object.defineProperty === "function") {
            Object.defineProperty(object, name, { value: value, writable: true, enumerable: true, configurable: true });
        } else {
            object[name] = value;
        }
    }
    function memberName() {
        skipSpace();
        var c = text.charAt(pos);
        if (c === "\"" || (lenient && c === "'")) return quoted();
        if (lenient && isWordStart(c)) return word();
        if (lenient && (isDigit(c) || c === ".")) return String(number());
        fail(pos < text.length ? "expected a member name" : "unexpected end");
    }
    function list(close, readItem) {
        if (++depth > MAX_DEPTH) fail("nested too deeply");
        pos++;
        skipSpace();
        if (text.charAt(pos) === close) {
            pos++;
        } else {
            for (;;) {
                readItem();
                skipSpace();
                var c = text.charAt(pos);
                if (c === close) {
                    pos++;
                    break;
                }
                if (c !== ",") fail(pos < text.length ? "expected ',' or '" + close + "'" : "unexpected end");
                pos++;
                skipSpace();
                if (lenient && text.charAt(pos) === close) {
                    pos++;
                    break;
                }
            }
        }
        depth--;
    }
    function value() {
        skipSpace();
        var c = text.charAt(pos);
        if (c === "{") {
            var object = {};
            list("}", function () {
                var name = memberName();
                expect(":");
                setMember(object, name, value());
            });
            return object;
        }
        if (c === "[") {
            var array = [];
            list("]", function () {
                array.push(value());
            });
            return array;
        }
        if (c === "\"" || (lenient && c === "'")) return quoted();
        if (c === "-" || isDigit(c) || (lenient && (c === "+" || c === "."))) return number();
        if (isWordStart(c)) {
            var start = pos;
            var name = word();
            if (name === "true") return true;
            if (name === "false") return false;
            if (name === "null") return null;
            if (lenient && name === "undefined") return undefined;
            if (lenient && (name === "Infinity" || name === "NaN")) {
                pos = start;
                return number();
            }
            pos = start;
        }
        fail(pos < text.length ? "unexpected '" + c + "'" : "unexpected end");
    }

    var result;
    skipSpace();
    if (lenient && text.charAt(pos) === "(") {
        pos++;
        result = value();
        expect(")");
    } else {
        result = value();
    }
    skipSpace();
    if (lenient && text.charAt(pos) === ";") {
        pos++;
        skipSpace();
    }
    if (pos < text.length) fail("unexpected '" + text.charAt(pos) + "' after the value");
    return result;
}

// The dialog. State: the result as it stands and the model JSON file chosen
// last (cleared by choosing a model or textures).
function FileLoaderDialog() {
    this.result = { modelPath: "", texturePaths: [], dontResetParams: false };
    this.jsonPath = "";
}

// The path the result holds for a file: its platform path, a leading "~"
// expanded to the home folder, "\" turned into "/".
FileLoaderDialog.prototype.normalisedPath = function (file) {
    var path = file.fsName;
    if (path === "~" || path.substring(0, 2) === "~/" || path.substring(0, 2) === "~\\") {
        path = Folder("~").fsName + path.substring(1);
    }
    return path.replace(/\\/g, "/");
};

// The path of a file chosen in a file dialog, whose name comes %-escaped.
FileLoaderDialog.prototype.chosenPath = function (file) {
    return this.normalisedPath(new File(decodeURIComponent(file.absoluteURI)));
};

// An entry of a model JSON file: absolute when it begins with "/", "~/" or
// a drive or URL scheme ("C:/", "file://"), else taken from the JSON file's
// folder.
FileLoaderDialog.prototype.resolvedPath = function (entry, folder) {
    var path = entry.replace(/\\/g, "/");
    var absolute = path.charAt(0) === "/" || path.substring(0, 2) === "~/" || /^[A-Za-z]+:\/\/?/.test(path);
    return this.normalisedPath(new File(absolute ? path : folder + path));
};

// Fills the result from the chosen model JSON file.
FileLoaderDialog.prototype.readModelJson = function () {
    var path = this.jsonPath;
    var file = new File(path);
    if (!file.open("r")) throw new Error("The model JSON file " + path + " cannot be read.");
    var text = file.read();
    file.close();
    var described;
    try {
        described = readLiteral(text, true);
    } catch (e) {
        throw new Error("The model JSON file " + path + " is not valid: " + e.message + ".");
    }
    if (described === null || typeof described !== "object" || isArrayValue(described)) {
        throw new Error("The model JSON file " + path + " does not hold an object.");
    }
    if (typeof described.model !== "string") {
        throw new Error("The model JSON file " + path + " names no model (\"model\" must be a path).");
    }
    var textures = described.textures;
    if (!isArrayValue(textures)) {
        throw new Error("The model JSON file " + path + " names no textures (\"textures\" must be a list of paths).");
    }
    for (var i = 0; i < textures.length; i++) {
        if (typeof textures[i] !== "string") {
            throw new Error("The model JSON file " + path + ": textures[" + i + "] is not a path.");
        }
    }
    var folder = path.substring(0, path.lastIndexOf("/") + 1);
    this.result.modelPath = this.resolvedPath(described.model, folder);
    for (var t = 0; t < textures.length; t++) this.result.texturePaths.push(this.resolvedPath(textures[t], folder));
};

// Shows the dialog; the result text when it closes with "OK", else "".
FileLoaderDialog.prototype.run = function () {
    var self = this;
    var dlg = new Window("dialog", "Load Tavrix Model");
    dlg.orientation = "column";
    dlg.alignChildren = "fill";

    var modes = dlg.add("group");
    modes.orientation = "row";
    modes.alignment = ["center", "bottom"];
    modes.add("statictext", undefined, "Use: ");
    var useModel = modes.add("radiobutton", undefined, "Model and Texture");
    var useJson = modes.add("radiobutton", undefined, "JSON");
    useModel.value = true;

    function fileRow(panel, label) {
        var row = panel.add("group");
        row.orientation = "row";
        row.add("statictext", undefined, label);
        var field = row.add("edittext", undefined, "");
        field.characters = 25;
        var button = row.add("button", undefined, "File");
        return { field: field, button: button };
    }
    function filePanel(title) {
        var panel = dlg.add("panel", undefined, title);
        panel.orientation = "column";
        panel.alignChildren = ["right", "top"];
        return panel;
    }
    var modelPanel = filePanel("Model and Texture");
    var modelRow = fileRow(modelPanel, "Model:");
    var textureRow = fileRow(modelPanel, "Texture(s):");
    var jsonPanel = filePanel("JSON");
    var jsonRow = fileRow(jsonPanel, "JSON:");

    var buttons = dlg.add("group");
    buttons.orientation = "row";
    buttons.alignment = "center";
    buttons.add("button", undefined, "OK", { name: "ok" });
    buttons.add("button", undefined, "Cancel", { name: "cancel" });

    function applyMode() {
        jsonPanel.enabled = useJson.value;
        modelPanel.enabled = useModel.value;
    }
    useModel.onClick = applyMode;
    useJson.onClick = applyMode;
    applyMode();

    function forgetJson() {
        self.jsonPath = "";
        jsonRow.field.text = "";
    }
    modelRow.button.onClick = function () {
        var chosen = File.openDialog("Choose a model file.", "Tavrix model:*.moc,All:*.*", false);
        if (!chosen) return;
        self.result.modelPath = self.chosenPath(chosen);
        modelRow.field.text = self.result.modelPath;
        forgetJson();
    };
    textureRow.button.onClick = function () {
        var chosen = File.openDialog("Choose texture file(s).", "Texture Image:*.png;*.jpg,All:*.*", true);
        if (!chosen) return;
        if (!isArrayValue(chosen)) chosen = [chosen];
        var paths = [];
        for (var i = 0; i < chosen.length; i++) paths.push(self.chosenPath(chosen[i]));
        self.result.texturePaths = paths;
        textureRow.field.text = paths.join(";");
        forgetJson();
    };
    jsonRow.button.onClick = function () {
        var chosen = File.openDialog("Choose a JSON file.", "JSON:*.json,All:*.*", false);
        if (!chosen) return;
        self.result.modelPath = "";
        modelRow.field.text = "";
        self.result.texturePaths = [];
        textureRow.field.text = "";
        self.jsonPath = self.chosenPath(chosen);
        jsonRow.field.text = self.jsonPath;
    };

    if (dlg.show() !== 1) return "";
    // A chosen JSON file wins whatever mode is selected.
    if (this.jsonPath !== "") this.readModelJson();
    return JSON.stringify(this.result);
};

new FileLoaderDialog().run();
