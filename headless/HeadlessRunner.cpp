#include "headless/HeadlessRunner.h"

namespace drivesmith {
namespace {

constexpr int kLogoClicksToReveal = 6;

}  // namespace

void NullSystemPower::RequestRestart(bool enableShutdownPrivilege) {
  restartRequests_.push_back(enableShutdownPrivilege);
}

std::unique_ptr<ShutdownInhibitor> NullSystemPower::InhibitShutdown(const std::string& /*reason*/) {
  return nullptr;
}

HeadlessRunner::HeadlessRunner(ScsiTransport& transport, ProgramFile& programFile, Clock& clock,
                               SystemPower* power, HeadlessOptions options)
    : options_(std::move(options)) {
  view_.ScriptAnswers(options_.answers);
  dialog_ = std::make_unique<UpdateDialog>(UpdateDialogPorts{view_, transport, programFile, clock,
                                                             power != nullptr ? *power : nullPower_,
                                                             options_.applicationName});
  view_.OnRepaint([this] { statesShown_.push_back(dialog_->State().UpdateState); });
}

HeadlessReport HeadlessRunner::Run() {
  dialog_->InitDialog();
  if (options_.selectEntry) {
    view_.SelectListEntry(*options_.selectEntry);
  }
  if (options_.tickUpdateLoader) {
    for (int i = 0; i < kLogoClicksToReveal; ++i) {
      dialog_->OnLogoClick();
    }
    view_.SetChecked(ControlId::UpdateLoader, true);
  }
  dialog_->OnNextStart();  // "Next >"
  dialog_->OnNextStart();  // "Start"
  return Report();
}

HeadlessReport HeadlessRunner::Report() const {
  const DialogState& state = dialog_->State();
  HeadlessReport report;
  report.finalState = state.UpdateState;
  report.statesShown = statesShown_;
  report.stateTexts = view_.TextsSet(ControlId::StateArea);
  report.progressPositions = view_.ProgressPositions();
  report.messageBoxes = view_.MessageBoxes();
  report.listEntries = view_.ListEntries();
  report.selectedEntry = view_.SelectedIndex();
  report.informationText = view_.Control(ControlId::Information).text;
  report.nextStartLabel = view_.Control(ControlId::NextStart).text;
  report.closeLabel = view_.Control(ControlId::Close).text;
  report.nextStartEnabled = view_.Control(ControlId::NextStart).enabled;
  report.closeEnabled = view_.Control(ControlId::Close).enabled;
  report.backEnabled = view_.Control(ControlId::Back).enabled;
  report.rebootArmed = state.RebootArmed;
  report.loaderUpdateFlag = state.LoaderUpdateFlag;
  report.loaderVersion = state.LoaderVersion;
  report.imageFlashSizeCode = state.ImageFlashSizeCode;
  report.driveFlashSizeCode = state.DriveFlashSizeCode;
  return report;
}

HeadlessReport RunHeadlessUpdate(ScsiTransport& transport, ProgramFile& programFile, Clock& clock,
                                 SystemPower* power, HeadlessOptions options) {
  HeadlessRunner runner(transport, programFile, clock, power, std::move(options));
  return runner.Run();
}

}  // namespace drivesmith
