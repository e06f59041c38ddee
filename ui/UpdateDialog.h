#pragma once
// The wizard dialog's logic: its handlers, RefreshStatus and the update it
// runs. It reaches its window only through the DialogView port.

#include <memory>
#include <string>

#include "ui/SystemPower.h"
#include "drive/DriveCommands.h"
#include "image/FirmwareImage.h"
#include "image/ProgramFile.h"
#include "transport/ScsiRequest.h"
#include "transport/ScsiTransport.h"
#include "ui/DialogState.h"
#include "ui/DialogView.h"
#include "update/Clock.h"
#include "update/UpdateContext.h"

namespace drivesmith {

struct UpdateDialogPorts {
  DialogView& view;
  ScsiTransport& transport;  // carries the TransportMode (transport.Mode())
  ProgramFile& programFile;
  Clock& clock;
  SystemPower& power;
  std::string applicationName;  // program file's base name without extension; caption of boxes
                                // without their own
};

class UpdateDialog : private UpdateStatus {
 public:
  explicit UpdateDialog(UpdateDialogPorts ports);
  ~UpdateDialog() override;  // releases the image buffer
  UpdateDialog(const UpdateDialog&) = delete;
  UpdateDialog& operator=(const UpdateDialog&) = delete;

  bool InitDialog();
  void RefreshStatus() override;
  void OnBack();
  void OnLogoClick();    // single clicks only; the view never forwards double clicks
  void OnNextStart();    // button 1003
  void OnCloseReboot();  // button 1032
  void OnCancel();   // Escape key / window close box: ends the dialog with DialogResult::Cancel,
                     // never restarts
  void OnDestroy();  // window destroyed: releases the image buffer
  bool UpdateRunning() const;  // true while RunUpdate runs; all handlers are ignored then (the view
                               // also blocks input)
  const DialogState& State() const;

  // The loaded image; null before an update loaded it and after OnDestroy.
  const FirmwareImage& Image() const { return image_; }
  const ScsiRequest& Request() const { return *request_; }

 private:
  // UpdateStatus
  void SendProgress(std::int32_t position) override;
  void ReportOpenFailure(const std::string& report) override;

  void ReadImageHeader();
  void PushTexts();
  UpdateContext Context();
  // Steps of OnNextStart from the model check to the final state.
  void StartUpdate();

  UpdateDialogPorts ports_;
  std::unique_ptr<ScsiRequest> request_;  // zero-filled on creation
  DriveCommands commands_;
  FirmwareImage image_;
  DialogState state_;
  bool updateRunning_ = false;
};

}  // namespace drivesmith
