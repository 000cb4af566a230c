// The headless backend's own behaviour: the virtual clock and its event order, scripted input,
// windows, the store, picture decoding and the ending.
#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"

namespace frin {
namespace {

// A form with two timers and a focus box, handlers logging what they receive with the clock.
struct TimedForm {
  Form form{"Form_Test"};
  Control* t0;
  Control* t1;
  Control* focus;
  Control* button;
  std::vector<std::string> log;

  explicit TimedForm(MemoryPlatform& api) {
    Control timer;
    timer.name = "SS_Timer";
    timer.kind = ControlKind::kTimer;
    timer.index = 0;
    t0 = &form.Add(timer);
    timer.index = 1;
    t1 = &form.Add(timer);
    Control box;
    box.name = "Pic_Focus";
    focus = &form.Add(box);
    Control b;
    b.name = "Btn_Set";
    b.index = 0;
    b.kind = ControlKind::kCommandButton;
    button = &form.Add(b);
    form.caption = "ScreenSaver Frin";
    form.On("SS_Timer").timer = [this, &api](int i) {
      log.push_back("t" + std::to_string(i) + "@" + std::to_string(api.Now()));
    };
    form.On("Pic_Focus").keyDown = [this, &api](int, int key, int) {
      log.push_back("key" + std::to_string(key) + "@" + std::to_string(api.Now()));
    };
    form.On("Btn_Set").click = [this, &api](int i) {
      log.push_back("click" + std::to_string(i) + "@" + std::to_string(api.Now()));
    };
    api.LoadForm(form);
  }
};

TEST(MemoryPlatformClock, TicksComeInTimeOrderInterleavedWithInput) {
  MemoryPlatform api(1000);
  TimedForm f(api);
  f.t0->SetInterval(100);
  f.t1->SetInterval(150);
  f.t0->SetTimerEnabled(true);
  f.t1->SetTimerEnabled(true);
  f.focus->SetFocus();
  api.QueueKeyDown(f.form, 65, 0, 250);
  api.QueueClick(*f.button, 300);  // same moment as ticks of both timers: input first
  api.QueueCursorMove(Point{5, 6}, 120);
  api.Advance(310);
  EXPECT_EQ(f.log, (std::vector<std::string>{"t0@100", "t1@150", "t0@200", "key65@250",
                                             "click0@300", "t0@300", "t1@300"}));
  EXPECT_EQ(api.GetCursorPos(), (Point{5, 6}));
  EXPECT_EQ(api.Now(), 310u);
  EXPECT_EQ(api.Clock(), 1310u);  // the fixed start plus the virtual time
}

TEST(MemoryPlatformClock, TimerSchedulingFollowsEnableAndInterval) {
  MemoryPlatform api;
  TimedForm f(api);
  f.t0->SetInterval(100);
  api.Advance(1000);  // interval set but never enabled: no tick
  EXPECT_TRUE(f.log.empty());
  f.t0->SetTimerEnabled(true);  // counts from now
  api.Advance(150);
  EXPECT_EQ(f.log, (std::vector<std::string>{"t0@1100"}));
  f.t0->SetInterval(30);  // a new interval counts from the change
  api.Advance(70);
  EXPECT_EQ(f.log.back(), "t0@1210");
  f.t0->SetTimerEnabled(true);  // enabling an enabled timer does not restart it
  api.Advance(20);
  EXPECT_EQ(f.log.back(), "t0@1240");
  f.t0->SetInterval(0);  // interval 0 stops it
  api.Advance(500);
  EXPECT_EQ(f.log.size(), 4u);
  f.t0->SetInterval(50);
  f.t0->SetTimerEnabled(false);
  api.Advance(500);
  EXPECT_EQ(f.log.size(), 4u);
  api.UnloadForm(f.form);  // an unloaded form's timers are gone
  f.t0->SetTimerEnabled(true);
  api.Advance(500);
  EXPECT_EQ(f.log.size(), 4u);
}

TEST(MemoryPlatformClock, DoEventsDeliversOnlyWhatIsDue) {
  MemoryPlatform api;
  TimedForm f(api);
  f.focus->SetFocus();
  api.QueueKeyDown(f.form, 1);
  api.QueueKeyDown(f.form, 2);
  api.QueueKeyDown(f.form, 3, 0, 10);
  api.DoEvents();
  EXPECT_EQ(f.log, (std::vector<std::string>{"key1@0", "key2@0"}));
  EXPECT_EQ(api.PendingEvents(), 1u);
}

TEST(MemoryPlatformClock, PasswordHookReentersTheTimer) {
  MemoryPlatform api;
  TimedForm f(api);
  f.t0->SetInterval(100);
  f.t0->SetTimerEnabled(true);
  int depth = 0, maxDepth = 0;
  f.form.On("SS_Timer").timer = [&](int) {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    f.log.push_back("t@" + std::to_string(api.Now()));
    if (depth == 1 && f.log.size() == 1) api.VerifyScreenSavePwd(f.form.hwnd);
    --depth;
  };
  api.SetPasswordAnswer(0);
  api.whilePasswordCheckOpen = [&] {
    EXPECT_TRUE(api.PasswordCheckOpen());
    api.Advance(250);  // the dialog is open: ticks keep coming, into the same handler
  };
  api.Advance(100);
  EXPECT_EQ(f.log, (std::vector<std::string>{"t@100", "t@200", "t@300"}));
  EXPECT_EQ(maxDepth, 2);
  EXPECT_FALSE(api.PasswordCheckOpen());
  EXPECT_EQ(api.PasswordChecks(), (std::vector<WindowHandle>{f.form.hwnd}));
  api.Advance(100);  // the timer runs on at its rate after the nested advance
  EXPECT_EQ(f.log.back(), "t@400");
}

TEST(MemoryPlatformEnding, EndProcessStopsEverything) {
  MemoryPlatform api;
  TimedForm f(api);
  f.t0->SetInterval(100);
  f.t0->SetTimerEnabled(true);
  bool after = false;
  f.form.On("SS_Timer").timer = [&](int) {
    f.log.push_back("t");
    api.EndProcess(3);
    after = true;
  };
  f.focus->SetFocus();
  api.QueueKeyDown(f.form, 9, 0, 150);
  EXPECT_TRUE(RunUntilEnded([&] { api.Advance(1000); }));
  EXPECT_FALSE(after);
  EXPECT_TRUE(api.Ended());
  EXPECT_EQ(api.EndStatus(), 3);
  EXPECT_EQ(f.log.size(), 1u);
  EXPECT_FALSE(RunUntilEnded([&] { api.Advance(1000); }));  // nothing more is delivered
  api.DoEvents();
  EXPECT_EQ(f.log.size(), 1u);
  EXPECT_EQ(api.PendingEvents(), 1u);
}

TEST(MemoryPlatformEnding, ClosesReachFormsOwnerAndHooks) {
  MemoryPlatform api;
  TimedForm f(api);
  bool unloaded = false;
  f.form.onUnload = [&] {
    unloaded = true;
    EXPECT_NE(api.GetOwner(f.form.hwnd), 0u);  // the window still exists in its handler
  };
  const WindowHandle host = api.AddWindow("host", Rect{10, 20, 162, 132});
  std::vector<WindowHandle> foreign;
  api.onForeignClose = [&](WindowHandle h) { foreign.push_back(h); };
  const WindowHandle self = f.form.hwnd;
  api.PostClose(host);
  api.PostClose(self);
  EXPECT_FALSE(unloaded);  // posted: nothing happens before the queue is served
  api.DoEvents();
  EXPECT_TRUE(unloaded);
  EXPECT_EQ(f.form.hwnd, 0u);
  EXPECT_FALSE(api.IsWindow(self));
  EXPECT_EQ(foreign, (std::vector<WindowHandle>{host}));
  api.PostClose(api.OwnerWindow());
  EXPECT_TRUE(RunUntilEnded([&] { api.DoEvents(); }));
  EXPECT_EQ(api.EndStatus(), 0);
  EXPECT_EQ(api.PostedCloses(), (std::vector<WindowHandle>{host, self, api.OwnerWindow()}));
}

TEST(MemoryPlatformEnding, LastFormGoneAfterMainEndsTheProcess) {
  MemoryPlatform api;
  TimedForm f(api);
  api.MainReturned();
  EXPECT_FALSE(api.Ended());
  api.PostClose(f.form.hwnd);
  EXPECT_TRUE(RunUntilEnded([&] { api.Advance(1); }));
  EXPECT_EQ(api.EndStatus(), 0);
}

TEST(MemoryPlatformWindows, TitlesStylesRectsAndControls) {
  MemoryPlatform api;
  api.SetScreenPixels(800, 600, 15);
  EXPECT_EQ(api.FindTopWindow("ScreenSaver Frin"), 0u);
  TimedForm f(api);
  EXPECT_EQ(api.FindTopWindow("ScreenSaver Frin"), f.form.hwnd);  // loaded, though hidden
  EXPECT_EQ(api.FindTopWindow("screensaver frin"), 0u);           // exact title only
  f.form.SetCaption("Frin Prev");
  EXPECT_EQ(api.FindTopWindow("ScreenSaver Frin"), 0u);

  const WindowHandle host = api.AddWindow("Display", Rect{100, 200, 400, 500});
  const WindowHandle preview = api.AddWindow("", Rect{110, 230, 262, 342}, host);
  EXPECT_EQ(api.GetParent(preview), host);
  EXPECT_NE(api.GetWindowStyle(preview) & kWsChild, 0u);
  Rect r;
  EXPECT_TRUE(api.GetWindowRect(preview, r));
  EXPECT_EQ(r.Width(), 152);
  EXPECT_FALSE(api.GetWindowRect(0xDEAD, r));
  EXPECT_TRUE(r.Empty());

  // A form made a child of the preview window: its rectangle is relative to the parent.
  api.SetWindowStyle(f.form.hwnd, api.GetWindowStyle(f.form.hwnd) | kWsChild);
  api.SetParent(f.form.hwnd, preview);
  f.form.Move(0, 0, 152 * 15, 112 * 15);
  EXPECT_TRUE(api.GetWindowRect(f.form.hwnd, r));
  EXPECT_EQ(r.left, 110);
  EXPECT_EQ(r.top, 230);
  EXPECT_EQ(r.right, 262);
  EXPECT_EQ(r.bottom, 342);
  f.form.SetCaption("ScreenSaver Frin");
  EXPECT_EQ(api.FindTopWindow("ScreenSaver Frin"), 0u);  // a child is no top-level window

  EXPECT_FALSE(api.IsTopmost(f.form.hwnd));
  api.SetTopmost(f.form.hwnd, kSwpNoSize | kSwpNoMove | kSwpShowWindow);
  EXPECT_TRUE(api.IsTopmost(f.form.hwnd));
  api.BringWindowToTop(0);
  EXPECT_EQ(api.BroughtToTop(), (std::vector<WindowHandle>{0}));

  // Controls: command buttons own a window with BS_MULTILINE, timers own none.
  const WindowHandle button = api.ControlWindow(*f.button);
  ASSERT_NE(button, 0u);
  EXPECT_EQ(api.ControlWindow(*f.button), button);
  EXPECT_NE(api.GetWindowStyle(button) & kBsMultiline, 0u);
  api.SetWindowStyle(button, api.GetWindowStyle(button) & ~kBsMultiline);
  EXPECT_EQ(api.GetWindowStyle(button) & kBsMultiline, 0u);
  EXPECT_EQ(api.ControlWindow(*f.t0), 0u);
  api.UnloadForm(f.form);
  EXPECT_FALSE(api.IsWindow(button));
  EXPECT_EQ(api.ControlWindow(*f.button), 0u);
}

TEST(MemoryPlatformWindows, OuterSizeAddsTheDialogFrameDrawnAtTheDpi) {
  MemoryPlatform api;
  int32_t w = 0, h = 0;
  api.OuterSize(FormBorder::kNone, 96, 3000, 1800, w, h);
  EXPECT_EQ(w, 3000);
  EXPECT_EQ(h, 1800);
  api.OuterSize(FormBorder::kFixedDialog, 96, 3000, 1800, w, h);
  EXPECT_EQ(w, 3000 + 6 * 15);
  EXPECT_EQ(h, 1800 + 28 * 15);
  // At 120 dpi the frame is 4 pixels and the caption 28, at 12 twips a pixel; at 192, twice
  // the 96-dpi frame at 8.
  api.OuterSize(FormBorder::kFixedDialog, 120, 3000, 1800, w, h);
  EXPECT_EQ(w, 3000 + 8 * 12);
  EXPECT_EQ(h, 1800 + 36 * 12);
  api.OuterSize(FormBorder::kFixedDialog, 192, 3000, 1800, w, h);
  EXPECT_EQ(w, 3000 + 12 * 8);
  EXPECT_EQ(h, 1800 + 56 * 8);
  // A client area of no whole number of pixels is measured in the pixels it takes.
  api.OuterSize(FormBorder::kFixedDialog, 192, 7575, 3735, w, h);
  EXPECT_EQ(w, (947 + 12) * 8);
  EXPECT_EQ(h, (467 + 56) * 8);
}

TEST(MemoryPlatformStore, ReadsDefaultsEmptiesAndLogsWrites) {
  MemoryPlatform api;
  EXPECT_EQ(api.ReadSetting("Tolvar", "SS_Frin", "Max", "150"), "150");
  api.SetSetting("Tolvar", "SS_Frin", "BS_File", "");
  EXPECT_EQ(api.ReadSetting("Tolvar", "SS_Frin", "BS_File", "x"), "");  // exists, empty
  api.WriteSetting("Tolvar", "SS_Frin", "Max", "200");
  EXPECT_EQ(api.ReadSetting("tolvar", "ss_frin", "MAX", "150"), "200");  // registry: no case
  EXPECT_EQ(api.ReadSetting("Tolvar", "Other", "Max", "7"), "7");
  api.FailWritesAfter(1);
  api.WriteSetting("Tolvar", "SS_Frin", "Speed", "80");
  try {
    api.WriteSetting("Tolvar", "SS_Frin", "SaverType", "desktop");
    ADD_FAILURE() << "the write should have failed";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrStoreWrite);
  }
  EXPECT_EQ(api.Setting("Tolvar", "SS_Frin", "SaverType"), std::nullopt);
  EXPECT_EQ(api.Writes(), (std::vector<SettingWrite>{{"Tolvar", "SS_Frin", "Max", "200"},
                                                     {"Tolvar", "SS_Frin", "Speed", "80"}}));
}

TEST(MemoryPlatformAnswers, CursorPasswordChooserAndDesktop) {
  MemoryPlatform api;
  EXPECT_EQ(api.PlatformId(), kVerPlatformWin32Nt);
  EXPECT_EQ(api.ShowCursor(false), -1);
  EXPECT_EQ(api.ShowCursor(false), -2);
  EXPECT_EQ(api.ShowCursor(true), -1);
  api.SetPasswordAnswer(std::nullopt);
  EXPECT_EQ(api.VerifyScreenSavePwd(0x40), std::nullopt);
  api.ChangePassword(5678);
  EXPECT_EQ(api.PasswordChanges(), (std::vector<WindowHandle>{5678}));

  FileChooserRequest req;
  req.title = "背景画像";
  api.SetOpenFileAnswer("C:\\pics\\a.bmp");
  EXPECT_EQ(api.GetOpenFileName(req), "C:\\pics\\a.bmp");
  ASSERT_EQ(api.FileChooserRequests().size(), 1u);
  EXPECT_EQ(api.FileChooserRequests()[0].title, "背景画像");

  Surface desk(3, 2, 0x123456);
  desk.At(2, 1) = 0xABCDEF;
  api.SetDesktop(desk);
  Surface dst(5, 4, 0xFFFFFF);
  api.CaptureDesktop(dst, 0, 0, 4, 3);
  EXPECT_EQ(dst.At(0, 0), 0x123456u);
  EXPECT_EQ(dst.At(2, 1), 0xABCDEFu);
  EXPECT_EQ(dst.At(3, 0), kBlack);  // beyond the desktop image: black
  EXPECT_EQ(dst.At(0, 2), kBlack);
  EXPECT_EQ(dst.At(4, 0), kWhite);  // outside the requested size: untouched
  EXPECT_EQ(dst.At(0, 3), kWhite);
}

TEST(MemoryPlatformPictures, DecodesBmpJpegWmfAndRejectsTheRest) {
  MemoryPlatform api;
  const std::string dir = FRIN_TEST_DATA;
  auto bmp = api.LoadPicture(dir + "/two_colour_4x3.bmp");
  ASSERT_TRUE(bmp.has_value());
  EXPECT_EQ(bmp->Width(), 4);
  EXPECT_EQ(bmp->Height(), 3);
  EXPECT_EQ(bmp->At(0, 0), 0xFF0000u);
  EXPECT_EQ(bmp->At(3, 2), 0x0000FFu);

  auto jpg = api.LoadPicture(dir + "/solid_8x8.jpg");
  ASSERT_TRUE(jpg.has_value());
  EXPECT_EQ(jpg->Width(), 8);
  const Pixel p = jpg->At(4, 4);
  EXPECT_NEAR(static_cast<int>(p >> 16), 0x20, 4);
  EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 0x60, 4);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 0xA0, 4);

  auto wmf = api.LoadPicture(dir + "/red_rect.wmf");
  ASSERT_TRUE(wmf.has_value());
  ASSERT_GT(wmf->Width(), 2);
  ASSERT_GT(wmf->Height(), 2);
  EXPECT_EQ(wmf->At(wmf->Width() / 2, wmf->Height() / 2), 0xFF0000u);
  for (Pixel px : wmf->Pixels())
    EXPECT_EQ(px & ~kColourMask, 0u);

  for (const char* bad : {"truncated.bmp", "text.bmp", "empty.jpg", "truncated.wmf",
                          "two_by_two.xpm", "missing.bmp", ""}) {
    EXPECT_FALSE(api.LoadPicture(dir + "/" + bad).has_value()) << bad;
  }
  EXPECT_FALSE(api.LoadPicture(dir).has_value());  // a folder
  // Tools may decode any image format, even one the Windows backend never reads.
  EXPECT_TRUE(MemoryPlatform::DecodeImageFile(dir + "/two_by_two.xpm").has_value());
}

TEST(MemoryPlatformPictures, FileExistsMeansAnOrdinaryFile) {
  MemoryPlatform api;
  const std::string dir = FRIN_TEST_DATA;
  EXPECT_TRUE(api.FileExists(dir + "/two_colour_4x3.bmp"));
  EXPECT_FALSE(api.FileExists(dir));
  EXPECT_FALSE(api.FileExists(dir + "/nothing_here.bmp"));
  EXPECT_FALSE(api.FileExists(""));
}

}  // namespace
}  // namespace frin
