// Handles every event waiting for the calling thread, then returns; long
// operations call it so that windows keep repainting and answering while
// they wait. Whatever is handled here may call back into the caller (a
// second click on the button that started the operation, for one): callers
// guard against that with their own busy flag. `dialog` names the dialog
// the operation belongs to; its events are handled like all others.
#pragma once

class QWidget;

void PumpWaitingMessages(QWidget* dialog);
