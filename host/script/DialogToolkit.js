// The dialog toolkit that scripts find in this host's script engine, and the
// user who answers its dialogs. Nobody sits at a headless host, so when a
// script shows a dialog the host performs a list of the user's actions on
// the controls the script built: choose files, select a radio button, press
// a button. An action whose control the script did not build, or cannot be
// used (disabled, or opening no file dialog), ends the script with an error
// naming the action; so does a dialog left open when the actions run out.
//
// The engine evaluates this file to a function and calls it with the host
// object {home, readFile, actions, transcript}; it installs Window, File and
// Folder and returns the helpers the engine uses after the run. Everything
// the dialogs show and every file dialog opened is noted in the transcript.
(function (host) {
    var global = (function () {
        return this;
    })();
    var next = 0;
    // The action whose file dialog is about to open, while it is performed.
    var pending = null;

    function note(line) {
        host.transcript.push(line);
    }
    function quote(text) {
        return "\"" + text + "\"";
    }

    // ---- controls

    var CONTAINERS = { dialog: true, group: true, panel: true };
    var TYPES = { group: true, panel: true, statictext: true, radiobutton: true, edittext: true, button: true };

    function Control(type, parent, text, properties) {
        this.type = type;
        this.parent = parent;
        this.text = text === undefined ? "" : String(text);
        this.enabled = true;
        this.properties = properties || {};
        this.children = [];
        if (this.properties.name !== undefined) this.name = String(this.properties.name);
        if (type === "radiobutton") this.value = false;
        if (CONTAINERS[type]) this.orientation = type === "group" ? "row" : "column";
    }
    Control.prototype.add = function (type, bounds, text, properties) {
        if (!CONTAINERS[this.type]) throw new Error("a " + this.type + " cannot hold controls");
        var kind = String(type).toLowerCase();
        if (!TYPES[kind]) throw new Error("this host's dialogs have no control of type '" + type + "'");
        var control = new Control(kind, this, text, properties);
        this.children.push(control);
        return control;
    };

    function Window(kind, title, bounds, properties) {
        if (!(this instanceof Window)) return new Window(kind, title, bounds, properties);
        if (kind !== "dialog") throw new Error("this host shows modal dialogs only, not a '" + kind + "' window");
        Control.call(this, "dialog", null, title, properties);
        this.shown = false;
    }
    Window.prototype = Object.create(Control.prototype);
    Window.prototype.constructor = Window;

    // Shows the dialog modally: the user acts on it until it closes. The
    // value it was closed with: 1 by a button named "ok", 2 by one named
    // "cancel", or what the script passed to close().
    Window.prototype.show = function () {
        if (this.shown) throw new Error("the dialog " + quote(this.text) + " is shown already");
        this.shown = true;
        this.closedWith = undefined;
        note("show " + describe(this, ""));
        while (this.closedWith === undefined) {
            if (next >= host.actions.length) {
                this.shown = false;
                throw new Error("the user's actions ended with the dialog " + quote(this.text) + " still open");
            }
            perform(host.actions[next++], this);
        }
        this.shown = false;
        note("closed with " + this.closedWith);
        return this.closedWith;
    };
    Window.prototype.close = function (value) {
        if (this.shown) this.closedWith = value === undefined ? 2 : Number(value);
    };

    function enabledInDialog(control) {
        for (var c = control; c; c = c.parent) {
            if (c.enabled === false) return false;
        }
        return true;
    }

    function describe(control, indent) {
        var line = indent + control.type;
        if (control.text !== "" || control.type === "statictext" || control.type === "button") line += " " + quote(control.text);
        if (control.name !== undefined) line += " name=" + control.name;
        if (CONTAINERS[control.type]) line += " " + control.orientation;
        if (control.alignment !== undefined) line += " alignment=" + String(control.alignment);
        if (control.alignChildren !== undefined) line += " alignChildren=" + String(control.alignChildren);
        if (control.characters !== undefined) line += " characters=" + control.characters;
        if (control.type === "radiobutton") line += control.value ? " on" : " off";
        if (control.enabled === false) line += " disabled";
        for (var i = 0; i < control.children.length; i++) line += "\n" + describe(control.children[i], indent + "  ");
        return line;
    }

    // ---- the user

    function findAll(control, test, found) {
        if (test(control)) found.push(control);
        for (var i = 0; i < control.children.length; i++) findAll(control.children[i], test, found);
        return found;
    }

    function perform(action, dialog) {
        function refuse(what) {
            throw new Error(action.where + " (" + action.text + "): " + what);
        }
        function only(found, what) {
            if (found.length === 0) refuse("the dialog has no " + what);
            if (found.length > 1) refuse("the dialog has " + found.length + " controls that are " + what);
            if (!enabledInDialog(found[0])) refuse("the " + what + " is disabled");
            return found[0];
        }
        function click(button) {
            if (typeof button.onClick === "function") {
                button.onClick();
            } else if (button.name === "ok") {
                dialog.close(1);
            } else if (button.name === "cancel") {
                dialog.close(2);
            }
        }

        note("user: " + action.text);
        if (action.kind === "select") {
            var radio = only(findAll(dialog, function (c) {
                return c.type === "radiobutton" && c.text === action.label;
            }, []), "radio button " + quote(action.label));
            var siblings = radio.parent.children;
            for (var i = 0; i < siblings.length; i++) {
                if (siblings[i].type === "radiobutton") siblings[i].value = siblings[i] === radio;
            }
            if (typeof radio.onClick === "function") radio.onClick();
        } else if (action.kind === "press") {
            click(only(findAll(dialog, function (c) {
                return c.type === "button" && c.text === action.label;
            }, []), "button " + quote(action.label)));
        } else {
            // A "File" button in the row that the label starts.
            var rows = findAll(dialog, function (c) {
                if (!CONTAINERS[c.type]) return false;
                var labelled = false;
                for (var i = 0; i < c.children.length; i++) {
                    if (c.children[i].type === "statictext" && c.children[i].text === action.label) labelled = true;
                }
                return labelled;
            }, []);
            var buttons = [];
            for (var r = 0; r < rows.length; r++) {
                findAll(rows[r], function (c) {
                    return c.type === "button" && c.text === "File";
                }, buttons);
            }
            var fileButton = only(buttons, "\"File\" button beside " + quote(action.label));
            pending = { action: action, answered: false };
            try {
                click(fileButton);
                if (!pending.answered) refuse("pressing \"File\" beside " + quote(action.label) + " opened no file dialog");
            } finally {
                pending = null;
            }
        }
    }

    // ---- files

    function expandHome(path) {
        if (path === "~" || path.substring(0, 2) === "~/") return host.home + path.substring(1);
        return path;
    }
    function escapedPath(path) {
        var parts = path.split("/");
        for (var i = 0; i < parts.length; i++) parts[i] = encodeURIComponent(parts[i]);
        return parts.join("/");
    }

    // A file by its path; fsName is the platform path, absoluteURI the same
    // with every character outside a URI's unreserved ones %-escaped.
    function File(path) {
        if (!(this instanceof File)) return new File(path);
        this.fsName = expandHome(path === undefined ? "" : String(path));
        this.absoluteURI = escapedPath(this.fsName);
        this.name = this.fsName.substring(this.fsName.lastIndexOf("/") + 1);
        this.contents = null;
    }
    File.prototype.toString = function () {
        return this.absoluteURI;
    };
    // Opens the file for reading; false when it cannot be read.
    File.prototype.open = function (mode) {
        if (mode !== undefined && mode !== "r") throw new Error("this host opens files for reading only");
        this.contents = host.readFile(this.fsName);
        this.position = 0;
        return this.contents !== null;
    };
    File.prototype.read = function () {
        if (this.contents === null) return "";
        var rest = this.contents.substring(this.position);
        this.position = this.contents.length;
        return rest;
    };
    File.prototype.close = function () {
        this.contents = null;
        return true;
    };

    // The file dialog answers with the files of the action being performed:
    // a File, an array of them when several may be chosen, or null when the
    // user closes it without a choice.
    File.openDialog = function (prompt, filter, multiSelect) {
        var title = prompt === undefined ? "" : String(prompt);
        note("file dialog " + quote(title) + " filter " + quote(filter === undefined ? "" : String(filter)) +
             (multiSelect ? " multiple" : " single"));
        if (!pending || pending.answered) {
            throw new Error("the file dialog " + quote(title) + " opened, but no action of the user answers it");
        }
        var action = pending.action;
        pending.answered = true;
        if (action.dismiss) {
            note("  closed without a choice");
            return null;
        }
        if (action.files.length > 1 && !multiSelect) {
            throw new Error(action.where + " (" + action.text + "): the file dialog " + quote(title) +
                            " takes one file, not " + action.files.length);
        }
        var chosen = [];
        for (var i = 0; i < action.files.length; i++) {
            note("  chose " + action.files[i]);
            chosen.push(new File(action.files[i]));
        }
        return multiSelect ? chosen : chosen[0];
    };

    function Folder(path) {
        if (!(this instanceof Folder)) return new Folder(path);
        this.fsName = expandHome(path === undefined ? "" : String(path));
    }

    global.Window = Window;
    global.File = File;
    global.Folder = Folder;

    return {
        // The text of what a script threw: the message of a plain Error (the
        // script's own words), else the kind, message and line.
        describeError: function (e) {
            if (e instanceof Error) {
                if (e.name === "Error") return String(e.message);
                return e.name + ": " + e.message + (e.lineNumber ? " (line " + e.lineNumber + ")" : "");
            }
            return String(e);
        },
        // The first action no dialog took, described; "" when all were.
        unperformed: function () {
            if (next >= host.actions.length) return "";
            var action = host.actions[next];
            return action.where + " (" + action.text + "): no dialog was open for it";
        },
        transcript: function () {
            return host.transcript.join("\n");
        }
    };
})
