#include "simulator/SimulatedPlatform.h"

#include <algorithm>
#include <cctype>

namespace drivesmith::sim {

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// What LoadLibrary hands out: forwards to a SimulatedAspi owned by the test
// or the demo; destroying it is FreeLibrary.
class LoadedAspiLibrary : public drivesmith::AspiLibrary {
 public:
  LoadedAspiLibrary(SimulatedAspi& aspi, std::shared_ptr<void> onRelease)
      : aspi_(aspi), onRelease_(std::move(onRelease)) {}

  std::uint32_t GetSupportInfo() override { return aspi_.GetSupportInfo(); }
  std::uint32_t SendCommand(SrbExecScsiCmd* srb) override { return aspi_.SendCommand(srb); }
  AspiEvent CreateCompletionEvent() override { return aspi_.CreateCompletionEvent(); }
  bool WaitForCompletion(AspiEvent event, std::chrono::milliseconds timeout) override {
    return aspi_.WaitForCompletion(event, timeout);
  }
  void ResetCompletionEvent(AspiEvent event) override { aspi_.ResetCompletionEvent(event); }
  void ReleaseCompletionEvent(AspiEvent event) override { aspi_.ReleaseCompletionEvent(event); }
  bool HasEntryPoint(std::string_view name) override { return aspi_.HasEntryPoint(name); }

 private:
  SimulatedAspi& aspi_;
  std::shared_ptr<void> onRelease_;  // its deleter counts the release
};

}  // namespace

SimulatedPlatform::SimulatedPlatform(std::uint32_t platformId) : platformId_(platformId) {}

std::unique_ptr<drivesmith::AspiLibrary> SimulatedPlatform::LoadAspiLibrary(
    const std::string& name) {
  if (aspi_ == nullptr || !SameNameIgnoringCase(name, drivesmith::kAspiLibraryName)) return nullptr;
  ++loaded_->count;
  std::shared_ptr<void> onRelease(nullptr, [released = released_](void*) { ++released->count; });
  return std::make_unique<LoadedAspiLibrary>(*aspi_, std::move(onRelease));
}

void SimulatedPlatform::ShowMessageBox(const std::string& text, const std::string& caption,
                                       drivesmith::MessageBoxKind kind) {
  messageBoxes_.push_back({text, caption, kind});
}

}  // namespace drivesmith::sim
