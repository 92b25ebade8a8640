#pragma once

#include <string>
#include <vector>

#include <json/json.h>

namespace tavrix_host {

// One thing the user does in a dialog a script shows.
struct DialogAction {
    enum class Kind { ChooseModel, ChooseTextures, ChooseJson, Select, Press };
    Kind kind;
    // The files chosen in the file dialog, absolute; empty with dismiss.
    std::vector<std::string> files;
    // The file dialog is closed without a choice.
    bool dismiss = false;
    // Select, Press: the text of the radio button or button.
    std::string label;
    // Where the action stands (load[2]) and how it was written, for messages.
    std::string where;
    std::string text;
};

// The user's side of a dialog: the actions the host performs, in order, on
// the dialogs a script shows. As data (a JSON array):
//   {"chooseModel": "puppet.moc"}             the "File" button beside "Model:"
//   {"chooseTextures": ["a.png", "b.png"]}   the one beside "Texture(s):" (a text for one file)
//   {"chooseJson": "puppet.json"}             the one beside "JSON:"
//   {"select": "JSON"}                        a radio button, by its text
//   {"press": "OK"}                           a button, by its text
// A file of null closes the file dialog without a choice.
class DialogSession {
public:
    // Reads the actions at where in a document; relative paths count from
    // baseFolder (with its trailing "/", or empty for the working folder),
    // and every chosen file must exist, as a file dialog offers only those.
    // False with the member at fault (such as load[1].chooseJson) and what
    // is wrong with it.
    static bool read(const Json::Value& actions, const std::string& where, const std::string& baseFolder,
                     DialogSession& session, std::string& faultWhere, std::string& fault);
    // The same from a JSON text, its faults as one line "where: what".
    static bool parse(const std::string& text, const std::string& where, const std::string& baseFolder,
                      DialogSession& session, std::string& error);

    // The actions as the toolkit takes them: a JSON array of objects with
    // kind, files, dismiss, label, where and text.
    std::string toolkitJson() const;

    std::vector<DialogAction> actions;
};

} // namespace tavrix_host
