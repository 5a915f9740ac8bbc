#include "ui/CommandLine.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

CommandLine parse(const QStringList &arguments) { return parseCommandLine(QStringList{"vesk"} + arguments); }

struct UsageCase {
  const char *name;
  QStringList arguments;
  const char *error;  // a part of the message
};

class ExportUsage : public ::testing::TestWithParam<UsageCase> {};

// Each is refused before anything is read or written, with the reason.
TEST_P(ExportUsage, IsRefusedWithTheReason) {
  const CommandLine line = parse(GetParam().arguments);
  EXPECT_EQ(line.action, CommandLine::Action::UsageError);
  EXPECT_TRUE(line.error.contains(QString::fromUtf8(GetParam().error))) << line.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ExportUsage,
    ::testing::Values(
        UsageCase{"UnknownExtension", {"--export", "a.gif", "a.dat"}, ".png, .jpg, .jpeg, .pdf or .svg"},
        UsageCase{"NoExtension", {"--export", "graph", "a.dat"}, ".png, .jpg, .jpeg, .pdf or .svg"},
        UsageCase{"NoInput", {"--export", "a.png"}, "needs the data file"},
        UsageCase{"TwoInputs", {"--export", "a.png", "a.dat", "b.dat"}, "one data file"},
        UsageCase{"BothModes", {"--export", "a.png", "--export-dir", "out", "a.dat"}, "cannot be used together"},
        UsageCase{"FormatWithSingleExport", {"--export", "a.png", "--format", "pdf", "a.dat"}, "--format goes with"},
        UsageCase{"BatchWithoutFormat", {"--export-dir", "out", "a.dat"}, "needs --format"},
        UsageCase{"UnknownFormat", {"--export-dir", "out", "--format", "gif", "a.dat"}, "Unknown format \"gif\""},
        UsageCase{"BatchWithoutInput", {"--export-dir", "out", "--format", "png"}, "at least one data file"},
        UsageCase{"SameOutputTwice", {"--export-dir", "out", "--format", "png", "x/A.dat", "y/A.dat"}, "both"},
        UsageCase{"OverItsOwnData", {"--export", "a.png", "a.png"}, "over its own data file"},
        UsageCase{"QualityZero", {"--quality", "0", "--export", "a.jpg", "a.dat"}, "from 1 to 100, not \"0\""},
        UsageCase{"QualityAbove", {"--quality", "101", "--export", "a.jpg", "a.dat"}, "from 1 to 100"},
        UsageCase{"QualityText", {"--quality", "high", "--export", "a.jpg", "a.dat"}, "from 1 to 100"},
        UsageCase{"ScaleAbove", {"--scale", "9", "--export", "a.png", "a.dat"}, "from 1 to 8"},
        UsageCase{"ScaleFraction", {"--scale", "1.5", "--export", "a.png", "a.dat"}, "from 1 to 8"},
        UsageCase{"ScaleWithoutExport", {"--scale", "2", "a.dat"}, "goes with --export"},
        UsageCase{"ExportTwice", {"--export", "a.png", "--export", "b.png", "a.dat"}, "more than once"},
        UsageCase{"MissingValue", {"a.dat", "--export"}, "Missing value"},
        UsageCase{"StandardOutputWithoutFormat", {"--export", "-", "-"}, "--export - needs --format"},
        UsageCase{"StandardOutputUnknownFormat", {"--export", "-", "--format", "gif", "-"}, "Unknown format \"gif\""},
        UsageCase{"StandardInputInABatch", {"--export-dir", "out", "--format", "png", "a.dat", "-"}, "--export only"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CommandLine, SingleExportTakesTheFormatFromTheExtensionInAnyCase) {
  const CommandLine line = parse({"--quality", "75", "--scale", "3", "--export", "Out.JPEG", "in.dat"});
  ASSERT_EQ(line.action, CommandLine::Action::Export);
  ASSERT_EQ(line.exports.size(), 1u);
  EXPECT_EQ(line.exports[0].input, "in.dat");
  EXPECT_EQ(line.exports[0].output, "Out.JPEG");
  EXPECT_EQ(line.exports[0].format, ExportFormat::Jpeg);
  EXPECT_EQ(line.exportSettings.quality, 75);
  EXPECT_EQ(line.exportSettings.scale, 3);
  EXPECT_EQ(parse({"--export", "a.svg", "a.dat"}).exportSettings.quality, 90);
}

TEST(CommandLine, BatchNamesEachOutputAfterItsDataFile) {
  const CommandLine line = parse({"--export-dir", "out", "--format", "JPEG", "data/A.dat", "B.v2.dat", "C"});
  ASSERT_EQ(line.action, CommandLine::Action::Export);
  ASSERT_EQ(line.exports.size(), 3u);
  EXPECT_EQ(line.exports[0].output, "out/A.jpg");
  EXPECT_EQ(line.exports[1].output, "out/B.v2.jpg");
  EXPECT_EQ(line.exports[2].output, "out/C.jpg");
  EXPECT_EQ(line.exports[2].input, "C");
}

TEST(CommandLine, DashIsStandardInputAndStandardOutput) {
  const CommandLine window = parse({"-"});
  EXPECT_EQ(window.action, CommandLine::Action::Window);
  EXPECT_TRUE(window.standardInput);
  EXPECT_EQ(window.file, "");
  EXPECT_FALSE(parse({"./-"}).standardInput);

  struct Case {
    QStringList arguments;
    const char *input, *output;
    ExportFormat format;
  };
  for (const Case &c : {Case{{"--export", "-", "--format", "jpeg", "-"}, "-", "-", ExportFormat::Jpeg},
                        Case{{"--export", "out.svg", "-"}, "-", "out.svg", ExportFormat::Svg},
                        Case{{"--export", "-", "--format", "PDF", "in.dat"}, "in.dat", "-", ExportFormat::Pdf}}) {
    const CommandLine line = parse(c.arguments);
    ASSERT_EQ(line.action, CommandLine::Action::Export) << line.error.toStdString();
    ASSERT_EQ(line.exports.size(), 1u);
    EXPECT_EQ(line.exports[0].input, c.input);
    EXPECT_EQ(line.exports[0].output, c.output);
    EXPECT_EQ(line.exports[0].format, c.format);
  }
  EXPECT_TRUE(usageText().contains(QStringLiteral("A FILE of - is standard input")));
}

TEST(CommandLine, HelpDocumentsEveryExportOption) {
  const QString help = usageText();
  for (const char *option :
       {"--export <OUTPUT>", "--export-dir <DIR>", "--format <FMT>", "--quality <N>", "--scale <N>"})
    EXPECT_TRUE(help.contains(QString::fromUtf8(option))) << option;
}

}  // namespace
}  // namespace vesk
