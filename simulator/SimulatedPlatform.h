#pragma once
// An AppPlatform for start-up on simulated hardware: a given platform
// id, an optional SimulatedAspi handed out as "WNASPI32.DLL", and a record of
// the message boxes shown.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "simulator/SimulatedAspi.h"
#include "app/AppPlatform.h"
#include "transport/TransportSelection.h"

namespace drivesmith::sim {

struct ShownMessageBox {
  std::string text;
  std::string caption;
  drivesmith::MessageBoxKind kind;
};

class SimulatedPlatform : public drivesmith::AppPlatform {
 public:
  explicit SimulatedPlatform(std::uint32_t platformId = drivesmith::kPlatformNt);

  // The ASPI library to hand out (owned elsewhere, must outlive what is
  // handed out); null: the library cannot be loaded.
  void SetAspi(SimulatedAspi* aspi) { aspi_ = aspi; }

  std::uint32_t PlatformId() override { return platformId_; }
  // Loads "WNASPI32.DLL" (any letter case) when an ASPI library is set.
  std::unique_ptr<drivesmith::AspiLibrary> LoadAspiLibrary(const std::string& name) override;
  void ShowMessageBox(const std::string& text, const std::string& caption,
                      drivesmith::MessageBoxKind kind) override;

  const std::vector<ShownMessageBox>& MessageBoxes() const { return messageBoxes_; }
  int LibrariesLoaded() const { return loaded_->count; }
  int LibrariesHeld() const { return loaded_->count - released_->count; }

 private:
  struct Count {
    int count = 0;
  };
  std::uint32_t platformId_;
  SimulatedAspi* aspi_ = nullptr;
  std::vector<ShownMessageBox> messageBoxes_;
  std::shared_ptr<Count> loaded_ = std::make_shared<Count>();
  std::shared_ptr<Count> released_ = std::make_shared<Count>();
};

}  // namespace drivesmith::sim
