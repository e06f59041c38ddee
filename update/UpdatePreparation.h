#pragma once
// Switching the drive into Up Mode, identifying its boot loader, and running
// the update sequence that fits it.

#include "image/FirmwareImage.h"
#include "image/ProgramFile.h"
#include "update/UpdateContext.h"

namespace drivesmith {

// Sends ChangeToUpMode, waits, and reads the boot loader's identity with
// Inquiry: sets the drive's FlashSizeCode and, for a known loader, the
// LoaderVersion. Returns 1 when the drive answered Inquiry, 0 otherwise.
int PrepareDrive(UpdateContext& context);

// Loads the image from the program file, resets the progress and runs the
// sequence the drive's FlashSizeCode selects. Returns 1 when the image was
// loaded and the sequence succeeded, 0 otherwise. An image shorter than the
// selected sequence reads fails before any of its commands is sent.
int RunUpdate(UpdateContext& context, ProgramFile& programFile, FirmwareImage& image);

}  // namespace drivesmith
