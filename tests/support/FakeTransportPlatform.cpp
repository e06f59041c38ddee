#include "tests/support/FakeTransportPlatform.h"

namespace drivesmith::testing {

std::vector<std::string> FakeTransportPlatform::EntryPointLookups() const { return *lookups_; }

std::unique_ptr<AspiLibrary> FakeTransportPlatform::LoadAspiLibrary(const std::string& name) {
  libraryLoads.push_back(name);
  if (!aspiLibraryPresent) return nullptr;
  auto library = std::make_unique<FakeAspiLayer>(liveLibraries_);
  library->missingEntryPoints = missingEntryPoints;
  library->supportInfo = supportInfo;
  library->lookupLog = lookups_;
  return library;
}

void FakeTransportPlatform::ShowMessageBox(const std::string& text, const std::string& caption,
                                           MessageBoxKind kind) {
  boxes.push_back(ShownMessageBox{text, caption, kind, *liveLibraries_});
}

}  // namespace drivesmith::testing
