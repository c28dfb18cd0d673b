#include "platform/test_seams.h"

#include "platform/desktop.h"
#include "platform/fatal_error.h"
#include "platform/folder_dialog.h"
#include "platform/help_engine.h"
#include "platform/message_box.h"

namespace zt {

void enableTestSeams() {
    MessageBox::setTesting(true);
    MessageBox::clearShown();
    FolderDialog::setTesting(true);
    FolderDialog::clearShown();
    Desktop::setTesting(true);
    Desktop::clearOpened();
    HelpEngine::setTesting(true);
    HelpEngine::clearCalls();
    setFatalErrorTesting(true);
    clearFatalErrors();
}

}  // namespace zt
