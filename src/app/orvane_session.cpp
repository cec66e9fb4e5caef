// The end of the program without a close event: a quit signal or the end of the desktop session.

#include "orvane.h"

void orvane::finishWithoutQuestion()
{
    stopActiveRun();
    saveConfig();
    unregisterGlobalHotkey();
}
