#pragma once

// The load dialog's script (script/LoadDialog.js), compiled into the
// plug-in: the effect hands it to the host's script engine.
const char* loadDialogScript();
