#pragma once
// Registers the common controls that the dialog uses (the progress bar).

namespace drivesmith {

// With common controls 4.70 and later (the manifest asks for version 6)
// through InitCommonControlsEx; with the older ones of Windows NT 4.0,
// which lack it, through InitCommonControls, which registers them all.
void EnableCommonControls();

}  // namespace drivesmith
