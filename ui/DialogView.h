#pragma once
// Port: the window of the wizard dialog (template 102). The dialog's logic
// reaches its controls only through these operations; the Qt and Win32
// programs and the tests' recording view implement them.

#include <cstdint>
#include <string>

#include "ui/MessageBox.h"

namespace drivesmith {

// Control ids of template 102.
enum class ControlId : int {
  DriveList = 1000,
  NextStart = 1003,
  StateArea = 1006,
  ProgressBar = 1007,
  TargetDriveLabel = 1011,
  InformationLabel = 1013,
  ProgressLabel = 1014,
  Information = 1018,
  UpdateLoader = 1021,
  Back = 1022,
  Title = 1026,
  Logo = 1027,
  Close = 1032,
};

enum class DialogResult { Ok, Cancel };

class DialogView {
 public:
  virtual ~DialogView() = default;

  virtual void SetCaption(const std::string& text) = 0;
  // Sets the window's large and small icon (icon 128).
  virtual void SetIcons() = 0;

  // Texts are 8-bit; "\r\n" separates lines.
  virtual void SetControlText(ControlId id, const std::string& text) = 0;
  virtual std::string ControlText(ControlId id) = 0;
  virtual void EnableControl(ControlId id, bool enabled) = 0;
  virtual void ShowControl(ControlId id, bool visible) = 0;
  virtual void SetChecked(ControlId id, bool checked) = 0;
  virtual bool IsChecked(ControlId id) = 0;

  // The drop-down list (control 1000).
  virtual void ClearList() = 0;
  virtual void AppendListEntry(const std::string& text) = 0;
  // Selects entry `index`; ignored when there is no such entry.
  virtual void SelectListEntry(int index) = 0;
  // Text of the selected entry; empty when nothing is selected.
  virtual std::string SelectedListText() = 0;

  // The progress bar (control 1007). Positions outside the range show as the
  // nearest end of the bar.
  virtual void SetProgressRange(int low, int high) = 0;
  virtual void SetProgressPosition(std::int32_t position) = 0;

  // Repaints the whole window, controls included, before returning.
  virtual void RepaintNow() = 0;

  // A modal box owned by the dialog, with the caption given in full.
  virtual MessageBoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                          MessageBoxKind kind) = 0;

  // Ends the modal run with `result`.
  virtual void EndDialog(DialogResult result) = 0;
};

}  // namespace drivesmith
