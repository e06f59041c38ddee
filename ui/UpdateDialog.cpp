#include "ui/UpdateDialog.h"

#include "ui/StateTexts.h"
#include "update/DriveDiscovery.h"
#include "update/UpdatePreparation.h"

namespace drivesmith {
namespace {

constexpr std::int32_t kLogoClicksBeforeReveal = 5;
constexpr std::uint8_t kAcceptedTypeCode = 'M';

}  // namespace

UpdateDialog::UpdateDialog(UpdateDialogPorts ports)
    : ports_(std::move(ports)),
      request_(std::make_unique<ScsiRequest>()),
      commands_(*request_, ports_.transport) {}

UpdateDialog::~UpdateDialog() { image_.Release(); }

bool UpdateDialog::InitDialog() {
  DialogView& view = ports_.view;
  PushTexts();
  view.SetIcons();
  view.ShowControl(ControlId::UpdateLoader, false);
  state_.LogoClickCount = 0;
  state_.RebootArmed = 0;
  state_.LoaderOptionShown = 0;
  view.SetCaption(text::kDialogCaption);
  state_.LoaderVersion = 0.0;
  state_.ImageFlashSizeCode = kFlash1M;
  image_.Release();
  state_.DriveFlashSizeCode = kFlash1M;
  state_.LoaderUpdateFlag = 0;
  state_.UpdateState = WizardState::ChooseDrive;
  state_.LoaderIdentityOffset = kLoaderIdentityOffset;
  view.SetControlText(ControlId::Title, text::kTitle);
  view.SetControlText(ControlId::NextStart, text::kNext);
  view.SetProgressRange(kProgressEmpty, kProgressFull);
  state_.ProgressCounter = 0;
  view.ClearList();
  RefreshStatus();
  FillDriveList(commands_, ports_.transport.Mode(),
                [&view](const std::string& entry) { view.AppendListEntry(entry); });
  view.SelectListEntry(0);
  ReadImageHeader();
  return true;
}

void UpdateDialog::ReadImageHeader() {
  image_.ReadImageHeader(ports_.programFile, state_.LoaderIdentityOffset);
  const ImageHeader& header = image_.Header();
  state_.TypeCode = header.TypeCode;
  state_.ImageFlashSizeCode = header.imageFlashSizeCode;
  state_.InformationText = header.Information;
  PushTexts();
}

void UpdateDialog::PushTexts() {
  ports_.view.SetControlText(ControlId::StateArea, state_.StateText);
  ports_.view.SetControlText(ControlId::Information, state_.InformationText);
}

void UpdateDialog::RefreshStatus() {
  const StatePresentation shown = PresentState(state_.UpdateState, state_.DriveFlashSizeCode);
  state_.StateText = shown.stateText;
  ports_.view.EnableControl(ControlId::Back, false);
  if (shown.nextStartLabel) {
    ports_.view.SetControlText(ControlId::NextStart, *shown.nextStartLabel);
  }
  if (shown.backEnabled) {
    ports_.view.EnableControl(ControlId::Back, true);
  }
  PushTexts();
  ports_.view.RepaintNow();
}

void UpdateDialog::SendProgress(std::int32_t position) {
  ports_.view.SetProgressPosition(position);
}

void UpdateDialog::ReportOpenFailure(const std::string& report) {
  ports_.view.ShowMessageBox(report, ports_.applicationName, MessageBoxKind::ExclamationOk);
}

UpdateContext UpdateDialog::Context() {
  return UpdateContext{commands_, ports_.clock, state_, *this};
}

void UpdateDialog::OnBack() {
  if (UpdateRunning()) {
    return;
  }
  ports_.view.SetChecked(ControlId::UpdateLoader, false);
  state_.UpdateState = WizardState::ChooseDrive;
  RefreshStatus();
}

void UpdateDialog::OnLogoClick() {
  if (UpdateRunning()) {
    return;
  }
  if (state_.LogoClickCount == kLogoClicksBeforeReveal) {
    ports_.view.ShowControl(ControlId::UpdateLoader, true);
    state_.LoaderOptionShown = 1;
    state_.LogoClickCount = 0;
  }
  ++state_.LogoClickCount;
}

void UpdateDialog::OnNextStart() {
  if (UpdateRunning()) {
    return;
  }
  if (state_.UpdateState == WizardState::ChooseDrive) {
    state_.UpdateState = WizardState::ReadyToStart;
    RefreshStatus();
    return;
  }
  if (state_.UpdateState >= WizardState::WrongTypeCode) {
    state_.UpdateState = WizardState::ChooseDrive;
    RefreshStatus();
    return;
  }
  StartUpdate();
}

void UpdateDialog::StartUpdate() {
  DialogView& view = ports_.view;
  const std::string entry = view.SelectedListText();
  if (!IsSupportedModel(entry)) {
    view.ShowMessageBox(text::kUnsupportedModel, ports_.applicationName,
                        MessageBoxKind::ExclamationOk);
    return;
  }
  ParseDriveEntry(entry, ports_.transport.Mode(), *request_);

  UpdateContext context = Context();
  if (PrepareDrive(context) != 1) {
    context.SetUpdateState(WizardState::NoUpMode);
    return;
  }

  state_.LoaderUpdateFlag =
      state_.LoaderOptionShown == 1 && view.IsChecked(ControlId::UpdateLoader) ? 1u : 0u;

  if (state_.ImageFlashSizeCode > state_.DriveFlashSizeCode) {
    const MessageBoxAnswer answer = view.ShowMessageBox(
        text::kLayoutChangeQuestion, text::kLayoutChangeCaption, MessageBoxKind::ExclamationYesNo);
    if (answer != MessageBoxAnswer::Yes) {
      context.SetUpdateState(WizardState::ChooseDrive);
      return;
    }
    state_.LoaderUpdateFlag = 1;
  } else if (state_.ImageFlashSizeCode < state_.DriveFlashSizeCode) {
    context.SetUpdateState(WizardState::NoUpMode);
    return;
  }

  if (state_.TypeCode[0] != kAcceptedTypeCode) {
    context.SetUpdateState(WizardState::WrongTypeCode);
    return;
  }

  view.EnableControl(ControlId::NextStart, false);
  view.EnableControl(ControlId::Close, false);
  updateRunning_ = true;
  int result = 0;
  {
    // Keep the computer from shutting down or sleeping while the flash is
    // rewritten; running without the lock is fine when none can be had.
    const std::unique_ptr<ShutdownInhibitor> inhibitor =
        ports_.power.InhibitShutdown(text::kShutdownReason);
    result = RunUpdate(context, ports_.programFile, image_);
  }
  updateRunning_ = false;

  if (result == 1) {
    state_.UpdateState = WizardState::Completed;
    view.SetControlText(ControlId::Close, text::kReboot);
    state_.RebootArmed = 1;
  } else {
    state_.UpdateState = WizardState::Failed;
  }
  view.EnableControl(ControlId::Close, true);
  RefreshStatus();
}

void UpdateDialog::OnCloseReboot() {
  if (UpdateRunning()) {
    return;
  }
  if (state_.RebootArmed == 0) {
    state_.StateText = ports_.view.ControlText(ControlId::StateArea);
    state_.InformationText = ports_.view.ControlText(ControlId::Information);
    ports_.view.EndDialog(DialogResult::Ok);
    return;
  }
  ports_.power.RequestRestart(ports_.transport.Mode() != TransportMode::Aspi);
}

void UpdateDialog::OnCancel() {
  if (UpdateRunning()) {
    return;
  }
  ports_.view.EndDialog(DialogResult::Cancel);
}

void UpdateDialog::OnDestroy() { image_.Release(); }

bool UpdateDialog::UpdateRunning() const { return updateRunning_; }

const DialogState& UpdateDialog::State() const { return state_; }

}  // namespace drivesmith
