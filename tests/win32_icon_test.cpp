// The program icon as it is drawn: resources/frin_icon.txt, the character map that
// tools/make_ico.py turns into frin.ico when frin.scr is built.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> IconRows() {
  std::ifstream in(std::string(FRIN_TEST_DATA) + "/../../resources/frin_icon.txt");
  std::vector<std::string> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#') rows.push_back(line);
  }
  return rows;
}

TEST(Win32Icon, AWhiteCrystalOutlinedInBlackOnATransparentGround) {
  const std::vector<std::string> rows = IconRows();
  ASSERT_EQ(rows.size(), 32u);
  int white = 0, cyan = 0, black = 0;
  for (int y = 0; y < 32; ++y) {
    ASSERT_EQ(rows[y].size(), 32u) << "row " << y;
    for (int x = 0; x < 32; ++x) {
      const char c = rows[y][x];
      ASSERT_NE(std::string(".KWCSGBN").find(c), std::string::npos) << x << "," << y;
      white += c == 'W';
      cyan += c == 'C';
      black += c == 'K';
      // Transparent around the crystal: the border rows and columns are empty.
      if (x == 0 || y == 0 || x == 31 || y == 31) {
        EXPECT_EQ(c, '.') << "border pixel " << x << "," << y;
      }
      // The outline is closed: no white or cyan pixel touches the transparent ground.
      if (c == 'W' || c == 'C') {
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          EXPECT_NE(rows[y + dy][x + dx], '.') << "open outline at " << x << "," << y;
        }
      }
    }
  }
  // Mostly white, with cyan accents and a black outline.
  EXPECT_GT(white, cyan);
  EXPECT_GT(cyan, 0);
  EXPECT_GT(black, 0);
}

TEST(Win32Icon, TheCrystalIsSymmetricAboutBothAxes) {
  const std::vector<std::string> rows = IconRows();
  ASSERT_EQ(rows.size(), 32u);
  // Six arms, one pointing straight up: mirror images left to right and top to bottom. The
  // crystal's centre lies between pixels 15 and 16, so the mirror of x is 31 - x.
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      EXPECT_EQ(rows[y][x], rows[y][31 - x]) << x << "," << y;
      EXPECT_EQ(rows[y][x], rows[31 - y][x]) << x << "," << y;
    }
  }
}

}  // namespace
