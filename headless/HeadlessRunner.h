#pragma once
// Runs the wizard without a window: builds the dialog on a recording view,
// initialises it, optionally picks another drive and ticks Update Loader,
// presses Next > and Start through the dialog's own handlers, and reports
// what the window would have shown.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "headless/RecordingDialogView.h"
#include "image/ProgramFile.h"
#include "transport/ScsiTransport.h"
#include "ui/SystemPower.h"
#include "ui/UpdateDialog.h"
#include "update/Clock.h"

namespace drivesmith {

// Restarts nothing and holds no lock; counts the restart requests.
class NullSystemPower : public SystemPower {
 public:
  void RequestRestart(bool enableShutdownPrivilege) override;
  std::unique_ptr<ShutdownInhibitor> InhibitShutdown(const std::string& reason) override;
  // The privilege flag of every restart requested, in order.
  const std::vector<bool>& RestartRequests() const { return restartRequests_; }

 private:
  std::vector<bool> restartRequests_;
};

struct HeadlessOptions {
  std::string applicationName = "drivesmith";
  // List entry to pick before Next >; the dialog's own choice (entry 0) otherwise.
  std::optional<int> selectEntry;
  // Reveal the Update Loader check box (six clicks on the logo) and tick it.
  bool tickUpdateLoader = false;
  // Answers to the message boxes, in order; then Yes to a question and Ok otherwise.
  std::vector<MessageBoxAnswer> answers;
};

struct HeadlessReport {
  WizardState finalState = WizardState::ChooseDrive;
  // UpdateState at every repaint, in order.
  std::vector<WizardState> statesShown;
  // Every text pushed into the state area.
  std::vector<std::string> stateTexts;
  std::vector<std::int32_t> progressPositions;
  std::vector<RecordedMessageBox> messageBoxes;
  std::vector<std::string> listEntries;
  std::optional<int> selectedEntry;
  std::string informationText;
  std::string nextStartLabel;
  std::string closeLabel;
  bool nextStartEnabled = false;
  bool closeEnabled = false;
  bool backEnabled = false;
  std::int32_t rebootArmed = 0;
  std::uint32_t loaderUpdateFlag = 0;
  double loaderVersion = 0.0;
  FlashSizeCode imageFlashSizeCode = kFlash1M;
  FlashSizeCode driveFlashSizeCode = kFlash1M;
};

class HeadlessRunner {
 public:
  // `power` may be null: a NullSystemPower stands in.
  HeadlessRunner(ScsiTransport& transport, ProgramFile& programFile, Clock& clock,
                 SystemPower* power = nullptr, HeadlessOptions options = {});
  HeadlessRunner(const HeadlessRunner&) = delete;
  HeadlessRunner& operator=(const HeadlessRunner&) = delete;

  // InitDialog, the options' choices, Next >, Start; then the report.
  HeadlessReport Run();

  UpdateDialog& Dialog() { return *dialog_; }
  RecordingDialogView& View() { return view_; }
  // The report of what has happened so far.
  HeadlessReport Report() const;

 private:
  HeadlessOptions options_;
  RecordingDialogView view_;
  NullSystemPower nullPower_;
  std::unique_ptr<UpdateDialog> dialog_;
  std::vector<WizardState> statesShown_;
};

// One whole run with a fresh runner.
HeadlessReport RunHeadlessUpdate(ScsiTransport& transport, ProgramFile& programFile, Clock& clock,
                                 SystemPower* power = nullptr, HeadlessOptions options = {});

}  // namespace drivesmith
