#include <gtest/gtest.h>

#include "lifecycle/main.h"
#include "platform/errors.h"

namespace frin {
namespace {

TEST(LifecycleCommand, TheFirstTwoCharactersChooseAndTheFourthOnNamesTheWindow) {
  using A = CommandAction;
  struct Case {
    const char* text;
    A action;
    int32_t handle;
  } cases[] = {
      // What the Display settings host and Explorer pass.
      {"/p 1234", A::kPreview, 1234},
      {"/P 1234", A::kPreview, 1234},
      {"/p:1234", A::kPreview, 1234},
      {"/p1234", A::kPreview, 234},  // the third character is skipped whatever it is
      {"/p 12ab", A::kPreview, 12},
      {"/p 1 234", A::kPreview, 1234},
      {"/p", A::kPreview, 0},
      {"/s", A::kFullScreen, 0},
      {"/s:0", A::kFullScreen, 0},
      {"/screen", A::kFullScreen, 0},  // "/s" followed by anything
      {"/a", A::kChangePassword, 0},
      {"/a 5678", A::kChangePassword, 5678},
      {"/c", A::kSettings, 0},
      {"/c:1234", A::kSettings, 1234},
      {"", A::kSettings, 0},
      {"-s", A::kNothing, 0},
      {"s", A::kNothing, 0},
      {" /s", A::kNothing, 0},  // a leading blank pushes the switch off its place
      {"/x 5", A::kNothing, 5},
      {"/", A::kNothing, 0},
      {"\u753B\u9762 7", A::kNothing, 7},  // two characters, six bytes
  };
  for (const Case& c : cases) {
    const Command command = ParseCommand(c.text);
    EXPECT_EQ(command.action, c.action) << '"' << c.text << '"';
    EXPECT_EQ(command.CommandHandle, c.handle) << '"' << c.text << '"';
  }
  EXPECT_EQ(ParseCommand("/p 1234").CommandSwitch, "/p");
  EXPECT_EQ(ParseCommand("/").CommandSwitch, "/");
  EXPECT_EQ(ParseCommand("\u753B\u9762 7").CommandSwitch, "\u753B\u9762");
}

TEST(LifecycleCommand, ANumberOutside32BitsIsAnOverflowWhateverTheSwitch) {
  for (const char* text : {"/p 4294967296", "/a 2147483648", "/s -2147483649", "/c 1E10"}) {
    try {
      ParseCommand(text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), kErrOverflow) << text;
    }
  }
  EXPECT_EQ(ParseCommand("/p -2147483648").CommandHandle, INT32_MIN);
  EXPECT_EQ(HandleFromCommand(-1), WindowHandle{0xFFFFFFFFu});
}

}  // namespace
}  // namespace frin
