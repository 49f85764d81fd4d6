// The widths of the status panes. The frame's bar has five panes after the
// message (camera count, loading, picture index or save queue, camera
// status, battery); a camera window's has the last four, which show in the
// frame's bar while the window is maximised. A pane is as wide as the
// widest text it shows (at least its classic width), so "Battery: 100%" or
// "Loading: 100%" shows whole in any font; a longer text (the camera
// status, which the camera family composes) widens its pane for good, so
// the pane does not jump back and forth. User-interface thread only.
#pragma once

class QLabel;
class QString;

namespace tarsel::frame {

enum class StatusPane { Cameras, Loading, PictureIndex, CameraStatus, Battery };

// Sizes the label of a pane for the texts it can show.
void FitStatusPane(QLabel* pane, StatusPane kind);
// The message pane before them takes what room is left (at least room for
// "Ready"): a long message neither squeezes the other panes nor widens the
// window.
void FitMessagePane(QLabel* pane);
// Shows `text` in a fitted pane, widening it when the text needs more room.
void ShowPaneText(QLabel* pane, const QString& text);

} // namespace tarsel::frame
