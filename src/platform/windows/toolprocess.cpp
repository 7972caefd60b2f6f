#include "platform/toolprocess.h"

#include <QProcess>

#include <windows.h>

namespace platform {

void hideConsoleWindow(QProcess &process)
{
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->flags |= CREATE_NO_WINDOW;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
}

} // namespace platform
