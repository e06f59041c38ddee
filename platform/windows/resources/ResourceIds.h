#ifndef DRIVESMITH_PLATFORM_WINDOWS_RESOURCES_RESOURCEIDS_H
#define DRIVESMITH_PLATFORM_WINDOWS_RESOURCES_RESOURCEIDS_H
/* Resource ids of the program, shared by the resource script and the code.
   The control ids of the dialog are those of ControlId (ui/DialogView.h). */

#define DRIVESMITH_DIALOG_TEMPLATE 102
#define DRIVESMITH_ICON 128
#define DRIVESMITH_LOGO_BITMAP 155

#endif
