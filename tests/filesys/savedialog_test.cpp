#include "korvex/filesys/savedialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "korvex/base/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

TScriptedSaveAnswer Choose(const String& name, std::int32_t type = 0, const String& typed = u"") {
  TScriptedSaveAnswer a;
  a.Accept = true;
  a.FileName = name;
  a.TypeIndex = type;
  a.Typed = typed;
  return a;
}

struct Fixture {
  TScriptedSaveDialog script;
  TUnivSaveDialog dlg;
  std::vector<String> asked;  // names passed to OnOverwrite / paths to OnForbiddenDir
  Fixture() {
    dlg.SetName(u"Saver");
    dlg.SetStandardDialog(&script);
  }
};

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const EKRVFileSysError& e) {
    return e.what();
  }
  return "(no exception)";
}

TEST(UnivSaveDialog, CancelReturnsFalse) {
  Fixture f;
  f.script.Queue(TScriptedSaveAnswer());
  EXPECT_FALSE(f.dlg.Execute());
  EXPECT_EQ(f.script.PendingAnswers(), 0u);
}

// A forbidden directory: the handler's reply decides; with no handler the reply is yes.
TEST(UnivSaveDialog, ForbiddenDirReplies) {
  struct Case {
    int reply;  // 0: no handler
    bool result;
    std::size_t shows;
    String final_name;
  };
  const Case cases[] = {
      {0, true, 1, u"C:\\Windows\\a.txt"},         {mrYes, true, 1, u"C:\\Windows\\a.txt"},
      {mrCancel, false, 1, u"C:\\Windows\\a.txt"}, {mrNo, true, 2, u"C:\\nowhere_krv\\b.txt"},
      {mrOk, true, 2, u"C:\\nowhere_krv\\b.txt"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.dlg.ForbiddenDir = u"c:\\windows";
    f.script.Queue(Choose(u"C:\\Windows\\a.txt"));
    f.script.Queue(Choose(u"C:\\nowhere_krv\\b.txt"));
    if (c.reply != 0) {
      f.dlg.OnForbiddenDir = [&](TObject* s, const String& path, TModalResult& r) {
        EXPECT_EQ(s, &f.dlg);
        f.asked.push_back(path);
        EXPECT_EQ(r, mrYes);
        r = c.reply;
      };
    }
    EXPECT_EQ(f.dlg.Execute(), c.result) << c.reply;
    EXPECT_EQ(f.script.Calls().size(), c.shows) << c.reply;
    EXPECT_EQ(f.dlg.FileName, c.final_name) << c.reply;
    if (c.reply != 0) {
      EXPECT_EQ(f.asked, std::vector<String>{u"C:\\Windows\\"});
    }
  }
}

// An existing file: the overwrite handler's reply decides (no: the dialog comes back).
TEST(UnivSaveDialog, OverwriteReplies) {
  testing::TempDir tmp;
  tmp.Write("old.txt", "x");
  const String existing = FromNativePath(tmp.File("old.txt").string());
  const String fresh = FromNativePath(tmp.File("new.txt").string());
  struct Case {
    int reply;
    bool result;
    std::size_t shows;
    std::string error;
  };
  const Case cases[] = {
      {mrYes, true, 1, ""},
      {mrCancel, false, 1, ""},
      {mrNo, true, 2, ""},
      {mrOk, false, 1, "Component \"Saver\": Invalid reply argument from overwrite dialog"},
      {0, false, 1, "Component \"Saver\": Overwrite dialog is not assigned"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.script.Queue(Choose(existing));
    f.script.Queue(Choose(fresh));
    if (c.reply != 0) {
      f.dlg.OnOverwrite = [&](TObject*, const String& name, TModalResult& r) {
        f.asked.push_back(name);
        EXPECT_EQ(r, mrNo);
        r = c.reply;
      };
    }
    if (c.error.empty()) {
      EXPECT_EQ(f.dlg.Execute(), c.result) << c.reply;
      EXPECT_EQ(f.asked, std::vector<String>{existing});
    } else {
      EXPECT_EQ(Message([&] { f.dlg.Execute(); }), c.error);
    }
    EXPECT_EQ(f.script.Calls().size(), c.shows) << c.reply;
  }
}

// The own file selector with its existence test.
TEST(UnivSaveDialog, OwnFileSelector) {
  TUnivSaveDialog dlg;
  dlg.SetName(u"Own");
  dlg.UseStandardDialog = false;
  EXPECT_EQ(Message([&] { dlg.Execute(); }),
            "Component \"Own\": File select dialog is not assigned");
  std::vector<String> names = {u"a.txt", u"b.txt"};
  std::size_t next = 0;
  dlg.Parameters = u"caption=\"x\"";
  dlg.OnFileSelect = [&](TObject*, const String& params, TModalResult& action, String& name) {
    EXPECT_EQ(params, u"caption=\"x\"");
    EXPECT_EQ(action, mrCancel);
    if (next < names.size()) {
      name = names[next++];
      action = mrOk;
    }
  };
  EXPECT_TRUE(dlg.Execute());  // no OnFileCheck: nothing exists
  EXPECT_EQ(dlg.FileName, u"a.txt");
  next = 0;
  dlg.OnFileCheck = [](TObject*, const String& name, bool& exists) { exists = name == u"a.txt"; };
  dlg.OnOverwrite = [](TObject*, const String&, TModalResult& r) { r = mrNo; };
  EXPECT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.FileName, u"b.txt");
  EXPECT_FALSE(dlg.Execute());  // the selector has nothing left: cancel
}

// Filter pairs, caption, folder, "ext", and the last choice carried into the next call.
TEST(UnivSaveDialog, ParametersReachTheDialog) {
  Fixture f;
  f.dlg.Parameters =
      u"filter=\"Text|*.txt|All|*.*|Odd\" ext=\"dat\" caption=\"Save it\" initialdir=\"C:\\tmp\"";
  f.dlg.FileName = u"start.txt";
  f.dlg.FilterIndex = 2;
  f.script.Queue(Choose(u"C:\\nowhere_krv\\report.txt", 1));
  f.script.Queue(TScriptedSaveAnswer());
  EXPECT_TRUE(f.dlg.Execute());
  EXPECT_EQ(f.dlg.FileName, u"C:\\nowhere_krv\\report.dat");
  EXPECT_EQ(f.dlg.FilterIndex, 1);
  EXPECT_FALSE(f.dlg.Execute());
  ASSERT_EQ(f.script.Calls().size(), 2u);
  const TScriptedSaveCall& first = f.script.Calls()[0];
  EXPECT_EQ(first.Title, u"Save it");
  EXPECT_EQ(first.InitialDir, u"C:\\tmp");
  EXPECT_EQ(first.FileName, u"start.txt");
  EXPECT_EQ(first.FilterIndex, 2);
  ASSERT_EQ(first.FileTypes.size(), 2u);  // the unpaired "Odd" is dropped
  EXPECT_EQ(first.FileTypes[1].DisplayName, u"All");
  EXPECT_EQ(first.FileTypes[1].Mask, u"*.*");
  EXPECT_EQ(f.script.Calls()[1].FileName, u"C:\\nowhere_krv\\report.dat");
  EXPECT_EQ(f.script.Calls()[1].FilterIndex, 1);
  EXPECT_EQ(f.dlg.SDiag(), nullptr);
}

TEST(UnivSaveDialog, ErrorCodeMessage) {
  const std::pair<std::uint32_t, std::string> cases[] = {
      {0x3002, "3002"}, {0xA, "000A"}, {0xFFFF, "FFFF"}};
  for (const auto& [code, hex] : cases) {
    Fixture f;
    TScriptedSaveAnswer fail;
    fail.ErrorCode = code;
    f.script.Queue(fail);
    EXPECT_EQ(Message([&] { f.dlg.Execute(); }),
              "Component \"Saver\": Error in standard dialog (errnum = $" + hex + ").");
    EXPECT_EQ(f.script.OnTypeChange, nullptr);
  }
  Fixture empty;  // a script with no answers fails like a dialog that cannot be shown
  EXPECT_NE(Message([&] { empty.dlg.Execute(); }).find("$FFFF"), std::string::npos);
}

TEST(UnivSaveDialog, TypeChangeGivesTheMaskExtension) {
  struct Case {
    int type;
    String typed, start, expect;
  };
  const Case cases[] = {
      {2, u"C:\\d\\notes.txt", u"", u"notes.log"},  // directory dropped
      {2, u"", u"C:\\d\\from_box.txt", u"from_box.log"},
      {3, u"keep.txt", u"", u"keep.txt"},  // *.* leaves the name
      {1, u"noext", u"", u"noext.txt"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.dlg.Parameters = u"filter=\"Text|*.txt|Logs|*.log;*.out|All|*.*\"";
    f.dlg.FileName = c.start;
    f.script.Queue(Choose(u"", c.type, c.typed));
    f.dlg.Execute();
    EXPECT_EQ(f.dlg.FileName, c.expect) << c.type;
    EXPECT_EQ(f.dlg.FilterIndex, c.type);
  }
}

TEST(UnivSaveDialog, ExtractParams) {
  TUnivSaveDialog dlg;
  dlg.SetName(u"P");
  dlg.Parameters = u"a=\"-12abc\" b=\" +7\" c=\"x\" d=\"\" e=\"2,5e2\" f=\"4294967297\" g=\"1.25\"";
  const std::pair<String, std::int32_t> ints[] = {
      {u"a", -12}, {u"b", 7}, {u"c", 0}, {u"f", 1}, {u"e", 2}};
  for (const auto& [name, value] : ints) EXPECT_EQ(dlg.ExtractParamAsInt(name), value);
  EXPECT_DOUBLE_EQ(dlg.ExtractParamAsDouble(u"e"), 250.0);
  EXPECT_DOUBLE_EQ(dlg.ExtractParamAsDouble(u"g"), 1.25);
  EXPECT_EQ(dlg.ExtractParamAsString(u"C"), u"x");
  EXPECT_EQ(dlg.ExtractParamAsString(u"zz"), u"");
  for (const String name : {u"d", u"zz"}) {
    const std::string expect =
        "Component \"P\": " + ToUtf8(name) + " is not specified in property Parameters";
    EXPECT_EQ(Message([&] { dlg.ExtractParamAsInt(name); }), expect);
    EXPECT_EQ(Message([&] { dlg.ExtractParamAsDouble(name); }), expect);
  }
}

TEST(UnivSaveDialog, IsForbiddenDirComparesComponents) {
  struct Case {
    String forbidden, path;
    bool expect;
  };
  const Case cases[] = {
      {u"C:\\windows", u"C:\\Windows\\x", true},
      {u"C:\\windows", u"C:\\windows", true},
      {u"C:\\windows\\", u"c:/WINDOWS/system32/", true},
      {u"C:\\windows", u"C:\\temp\\..\\windows\\x", true},
      {u"C:\\windows", u"C:\\.\\windows\\.\\x", true},
      {u"C:\\windows", u"C:\\..\\..\\windows", true},
      {u"C:\\windows", u"C:\\windowsdata", false},
      {u"C:\\windows", u"C:\\windows\\..\\data", false},
      {u"C:\\windows", u"D:\\windows", false},
      {u"C:\\windows", u"windows", false},
      {u"C:\\windows", u"", false},
      {u"", u"C:\\windows", false},
      {u".", u"anything", false},
      {u"a\\..\\..\\b", u"..\\b\\c", true},
      {u"\\srv", u"/srv/x", true},
      {u"\\srv", u"srv/x", false},
  };
  for (const Case& c : cases) {
    TUnivSaveDialog dlg;
    dlg.ForbiddenDir = c.forbidden;
    EXPECT_EQ(dlg.IsForbiddenDir(c.path), c.expect)
        << ToUtf8(c.forbidden) << " vs " << ToUtf8(c.path);
  }
}

TEST(DesktopSaveDialog, NoDisplayCancelsWithoutBlocking) {
#ifdef _WIN32
  GTEST_SKIP() << "the desktop dialog is the system's common dialog: no display variable and "
                  "no zenity to start";
#endif
  TDesktopSaveDialog d;
  d.Environment = {"DISPLAY=", "WAYLAND_DISPLAY="};
  d.Program = "/nonexistent/zenity";  // would fail differently if it were started
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.ErrorCode(), kDlgErrFailure);
  d.Environment = {"DISPLAY=:99"};
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.ErrorCode(), kDlgErrInitialization);
}

TEST(DesktopSaveDialog, Arguments) {
  TDesktopSaveDialog d;
  d.Title = u"T";
  d.FileName = u"out.txt";
  d.FileTypes = {{u"Text", u"*.txt;*.log"}, {u"All", u"*.*"}};
  d.FilterIndex = 2;
  const std::vector<std::string> expect = {"--file-selection", "--save",
                                           "--title",          "T",
                                           "--filename",       "out.txt",
                                           "--file-filter",    "All | *.*",
                                           "--file-filter",    "Text | *.txt *.log"};
  EXPECT_EQ(d.BuildArguments(), expect);
}

}  // namespace
}  // namespace krv
