#pragma once

class QProcess;

namespace platform {

// A console tool started through QProcess gets no console window: on Windows CREATE_NO_WINDOW
// and a hidden window (with a terminal application as the default console, a tool started
// without them can still show one); elsewhere there is nothing to hide.
void hideConsoleWindow(QProcess &process);

} // namespace platform
