// Program entry decisions: ParamStr splitting and the three switches.
#include "setup/run_mode.h"

#include <gtest/gtest.h>

namespace scr {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsOnBlanksAndGroupsByQuotes) {
  EXPECT_EQ(SplitCommandLine(""), Args{});
  EXPECT_EQ(SplitCommandLine("setup.exe"), Args{"setup.exe"});
  EXPECT_EQ(SplitCommandLine("  setup.exe \t -silent   C:\\Dir  "),
            (Args{"setup.exe", "-silent", "C:\\Dir"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\setup.exe\" -silent \"C:\\My Savers\\\""),
            (Args{"C:\\Program Files\\setup.exe", "-silent", "C:\\My Savers\\"}));
  // Quotes may open and close inside an argument and are removed.
  EXPECT_EQ(SplitCommandLine("a C:\\\"My \"Dir b"), (Args{"a", "C:\\My Dir", "b"}));
  EXPECT_EQ(SplitCommandLine("a \"\" b"), (Args{"a", "", "b"}));
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(SplitCommandLine("a \"b c"), (Args{"a", "b c"}));
  const Args args = SplitCommandLine("p one two");
  EXPECT_EQ(ArgumentCount(args), 2u);
  EXPECT_EQ(Argument(args, 0), "p");
  EXPECT_EQ(Argument(args, 2), "two");
  EXPECT_EQ(Argument(args, 3), "");
  EXPECT_EQ(ArgumentCount(Args{}), 0u);
}

RunModes Modes(const char* line) { return DecideRunModes(SplitCommandLine(line)); }

TEST(RunModes, SilentAndPreviewLookOnlyAtTheFirstArgument) {
  EXPECT_TRUE(Modes("setup.exe -silent").SilentMode);
  EXPECT_TRUE(Modes("setup.exe -SILENT").SilentMode);
  EXPECT_TRUE(Modes("setup.exe \" -Silent \" C:\\Dir").SilentMode);
  EXPECT_TRUE(Modes("setup.exe \"\t-silent\"").SilentMode);
  EXPECT_FALSE(Modes("setup.exe C:\\Dir -silent").SilentMode);
  EXPECT_FALSE(Modes("setup.exe -silentx").SilentMode);
  EXPECT_FALSE(Modes("setup.exe /silent").SilentMode);
  EXPECT_FALSE(Modes("setup.exe").SilentMode);
  EXPECT_FALSE(Modes("").SilentMode);

  const RunModes preview = Modes("setup.exe -previewonly -silent");
  EXPECT_TRUE(preview.PreviewOnly);
  EXPECT_FALSE(preview.SilentMode);
  EXPECT_TRUE(Modes("setup.exe -PreviewOnly").PreviewOnly);
  const RunModes silent = Modes("setup.exe -silent -previewonly");
  EXPECT_TRUE(silent.SilentMode);
  EXPECT_FALSE(silent.PreviewOnly);
  const RunModes neither = Modes("setup.exe -delfile C:\\x.exe");
  EXPECT_FALSE(neither.SilentMode || neither.PreviewOnly);
}

TEST(RunModes, DeferredRemovalIsExactAndNeedsAPath) {
  EXPECT_TRUE(IsDeferredRemoval(SplitCommandLine("tmp.exe -delfile C:\\UNINST~1.EXE")));
  EXPECT_TRUE(IsDeferredRemoval(
      SplitCommandLine("tmp.exe -delfile C:\\U.EXE \"Screensaver Setup\" \"Done.\"")));
  EXPECT_FALSE(IsDeferredRemoval(SplitCommandLine("tmp.exe -DELFILE C:\\U.EXE")));
  EXPECT_FALSE(IsDeferredRemoval(SplitCommandLine("tmp.exe \" -delfile\" C:\\U.EXE")));
  EXPECT_FALSE(IsDeferredRemoval(SplitCommandLine("tmp.exe -delfile")));
  EXPECT_FALSE(IsDeferredRemoval(SplitCommandLine("tmp.exe C:\\U.EXE -delfile")));
  EXPECT_FALSE(IsDeferredRemoval(SplitCommandLine("tmp.exe")));
}

TEST(RunModes, TrimAndLower) {
  EXPECT_EQ(TrimBlanks(" \t\r\n-x \x01"), "-x");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(AsciiLower("AbC-\xC4Z"), "abc-\xC4z");
}

}  // namespace
}  // namespace scr
