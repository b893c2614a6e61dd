#include "instructions/frmInstructions.h"
#include "mainwindow/frmSnibbet.h"

// One instructions window at most, with no owner: it stays open when the main
// window closes, and is placed anew each time it is created.
void frmSnibbet::mnuInstructions_Click() {
    if (!instructions_) {
        instructions_ = new frmInstructions(services_);
        instructions_->Form_Load();
    }
    instructions_->show();
    instructions_->raise();
    instructions_->activateWindow();
}
