// The simulated "WNASPI32.DLL"'s settings, read from environment variables.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "simulator/windows-aspi-dll/SimAspiSettings.h"

namespace drivesmith::sim {
namespace {

using Environment = std::map<std::string, std::string>;

EnvironmentReader ReaderOf(const Environment& environment) {
  return [environment](const char* name) -> std::optional<std::string> {
    const auto found = environment.find(name);
    if (found == environment.end()) return std::nullopt;
    return found->second;
  };
}

constexpr auto k1m = LoaderLayout::OneMegabyte;
constexpr auto k2m = LoaderLayout::TwoMegabyte;

TEST(SimAspiSettingsTest, DrivesAndTheirAddresses) {
  const struct {
    const char* drives;  // null: not set
    std::vector<SimDriveSetting> expected;
  } rows[] = {{nullptr, {{k2m, 0, 0}}},
              {"1m", {{k1m, 0, 0}}},
              {"2m,1m", {{k2m, 0, 0}, {k1m, 0, 1}}},
              {"1m@0:3,2m@2:7", {{k1m, 0, 3}, {k2m, 2, 7}}},
              {"2m@255:255", {{k2m, 255, 255}}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.drives ? row.drives : "(not set)");
    Environment environment;
    if (row.drives) environment["DRIVESMITH_SIM_DRIVES"] = row.drives;
    std::string error;
    const auto settings = ReadSimAspiSettings(ReaderOf(environment), error);
    ASSERT_TRUE(settings.has_value()) << error;
    EXPECT_EQ(settings->drives, row.expected);
    EXPECT_EQ(settings->completion, SimCompletion{});
    EXPECT_EQ(settings->timeScale, 1.0);
    EXPECT_FALSE(settings->supportInfo.has_value());
  }
}

// The trace, flash and time-scale settings show in the Windows tests' runs.
TEST(SimAspiSettingsTest, CompletionFaultsAndSupport) {
  std::string error;
  const auto settings =
      ReadSimAspiSettings(ReaderOf({{"DRIVESMITH_SIM_COMPLETION", "late:7000"},
                                    {"DRIVESMITH_SIM_FAULT", "wrong-sum,refuse-12-byte"},
                                    {"DRIVESMITH_SIM_SUPPORT", "0xE800"}}),
                          error);
  ASSERT_TRUE(settings.has_value()) << error;
  EXPECT_EQ(settings->completion,
            (SimCompletion{SimCompletion::Kind::Late, std::chrono::milliseconds(7000)}));
  EXPECT_EQ(settings->supportInfo, 0xE800u);
  const DriveModel model = SimDriveModel(*settings, 0);
  EXPECT_TRUE(model.faults.reportWrongSum);
  EXPECT_TRUE(model.faults.refuse12ByteTransfer);
  EXPECT_FALSE(model.faults.neverFinish);

  const struct {
    const char* text;
    SimCompletion expected;
  } modes[] = {{"async", {}},
               {"immediate", {SimCompletion::Kind::Immediate, {}}},
               {"immediate-unsignalled", {SimCompletion::Kind::ImmediateUnsignalled, {}}},
               {"never", {SimCompletion::Kind::Never, {}}},
               {"late:0", {SimCompletion::Kind::Late, {}}},
               {"late:", {}},  // unreadable: the default
               {"sometimes", {}}};
  for (const auto& mode : modes) {
    EXPECT_EQ(ReadSimCompletion(ReaderOf({{"DRIVESMITH_SIM_COMPLETION", mode.text}})),
              mode.expected)
        << mode.text;
  }
}

TEST(SimAspiSettingsTest, RefusesWhatItCannotRead) {
  const struct {
    const char* variable;
    const char* value;
  } rows[] = {{"DRIVESMITH_SIM_DRIVES", "3m"},
              {"DRIVESMITH_SIM_DRIVES", "2m@0"},
              {"DRIVESMITH_SIM_DRIVES", "2m@0:256"},
              {"DRIVESMITH_SIM_DRIVES", "2m@-1:0"},
              {"DRIVESMITH_SIM_DRIVES", "2m@0:1,1m@0:1"},
              {"DRIVESMITH_SIM_DRIVES", ""},
              {"DRIVESMITH_SIM_FAULT", "melt-down"},
              {"DRIVESMITH_SIM_TIME_SCALE", "fast"},
              {"DRIVESMITH_SIM_COMPLETION", "late:soon"},
              {"DRIVESMITH_SIM_SUPPORT", "0x100000000"}};
  for (const auto& row : rows) {
    std::string error;
    EXPECT_FALSE(ReadSimAspiSettings(ReaderOf({{row.variable, row.value}}), error).has_value())
        << row.variable << "=" << row.value;
    EXPECT_NE(error.find(row.variable), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace drivesmith::sim
