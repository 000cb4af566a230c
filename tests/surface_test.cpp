// Surfaces lent memory by a backend: the raster draws into the loan, copies never share it, and
// the pixels survive the loan's end.
#include <gtest/gtest.h>

#include <vector>

#include "platform/raster.h"

namespace frin {
namespace {

constexpr Pixel kRed = 0xFF0000u;
constexpr Pixel kBlue = 0x0000FFu;

// Memory a backend would own (a DIB section), with a marker past its end.
struct Loan {
  explicit Loan(size_t pixels) : memory(pixels + 1, 0xDEADBEEFu) {}
  Pixel* data() { return memory.data(); }
  bool GuardIntact() const { return memory.back() == 0xDEADBEEFu; }
  std::vector<Pixel> memory;
};

TEST(SurfaceLending, TheRasterDrawsIntoTheLoanAndReclaimKeepsThePixels) {
  Surface s(4, 3, kBlue);
  s.At(1, 1) = kRed;
  Loan loan(12);
  s.Lend(loan.data());
  ASSERT_TRUE(s.IsLent());
  EXPECT_EQ(s.Data(), loan.data());
  // The pixels moved into the loan as they were.
  EXPECT_EQ(loan.memory[4 + 1], kRed);
  EXPECT_EQ(loan.memory[0], kBlue);

  // Every way of drawing reaches the loan: the raster, a fill, a line, a pixel.
  BitBlt(s, 2, 0, 2, 1, Surface(2, 1, kWhite), 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(loan.memory[2], kWhite);
  EXPECT_EQ(loan.memory[3], kWhite);
  DrawLine(s, 0, 2, 4, 2, kRed);
  EXPECT_EQ(loan.memory[8], kRed);
  EXPECT_EQ(loan.memory[11], kRed);
  EXPECT_TRUE(loan.GuardIntact());

  const std::vector<Pixel> before = s.Pixels();
  s.Reclaim();
  EXPECT_FALSE(s.IsLent());
  EXPECT_NE(s.Data(), loan.data());
  EXPECT_EQ(s.Pixels(), before);
  // The lender may reuse its memory now: the surface no longer sees it.
  loan.memory.assign(loan.memory.size(), 0);
  EXPECT_EQ(s.Pixels(), before);
}

TEST(SurfaceLending, CopiesAndMovesOwnTheirPixels) {
  Surface lent(3, 2, kBlue);
  Loan loan(6);
  lent.Lend(loan.data());

  Surface copy(lent);
  EXPECT_FALSE(copy.IsLent());
  EXPECT_EQ(copy.Pixels(), lent.Pixels());
  copy.Fill(kRed);
  EXPECT_EQ(loan.memory[0], kBlue);  // a copy's drawing never reaches the loan

  Surface assigned;
  assigned = lent;
  EXPECT_FALSE(assigned.IsLent());
  EXPECT_EQ(assigned.Pixels(), lent.Pixels());

  // Moving out of a lent surface copies: the loan stays where the lender put it.
  Surface moved(std::move(lent));
  EXPECT_FALSE(moved.IsLent());
  EXPECT_EQ(moved.Width(), 3);
  EXPECT_EQ(moved.At(2, 1), kBlue);
  EXPECT_NE(moved.Data(), loan.data());
}

TEST(SurfaceLending, AssigningOrResizingAtTheSameSizeWritesIntoTheLoan) {
  Surface s(2, 2, kBlack);
  Loan loan(4);
  s.Lend(loan.data());

  s = Surface(2, 2, kRed);
  EXPECT_TRUE(s.IsLent());
  EXPECT_EQ(loan.memory[3], kRed);

  const Surface blue(2, 2, kBlue);
  s = blue;
  EXPECT_TRUE(s.IsLent());
  EXPECT_EQ(loan.memory[0], kBlue);

  s.Resize(2, 2, kWhite);
  EXPECT_TRUE(s.IsLent());
  EXPECT_EQ(loan.memory[1], kWhite);
  EXPECT_TRUE(loan.GuardIntact());
}

TEST(SurfaceLending, AnotherSizeEndsTheLoanWithoutWritingPastIt) {
  Loan loan(4);
  {
    Surface s(2, 2, kBlack);
    s.Lend(loan.data());
    s.Resize(3, 3, kRed);  // nine pixels would not fit the loan
    EXPECT_FALSE(s.IsLent());
    EXPECT_EQ(s.At(2, 2), kRed);
  }
  {
    Surface s(2, 2, kBlack);
    s.Lend(loan.data());
    s = Surface(5, 1, kBlue);
    EXPECT_FALSE(s.IsLent());
    EXPECT_EQ(s.Width(), 5);
    EXPECT_EQ(s.At(4, 0), kBlue);
  }
  {
    // A picture box emptied while lent.
    Surface s(2, 2, kBlack);
    s.Lend(loan.data());
    s = Surface();
    EXPECT_FALSE(s.IsLent());
    EXPECT_EQ(s.Width(), 0);
    EXPECT_TRUE(s.Pixels().empty());
  }
  EXPECT_EQ(loan.memory[0], kBlack);
  EXPECT_TRUE(loan.GuardIntact());
}

TEST(SurfaceLending, AnEmptySurfaceTakesNoLoanAndDamageStillCounts) {
  Surface empty;
  Loan loan(1);
  empty.Lend(loan.data());
  EXPECT_FALSE(empty.IsLent());
  empty.Lend(nullptr);
  EXPECT_FALSE(empty.IsLent());

  Surface s(8, 8, kBlack);
  s.TrackDamage(true);
  Loan big(64);
  s.Lend(big.data());
  s.Damage().Clear();
  BitBlt(s, 1, 1, 3, 3, Surface(3, 3, kWhite), 0, 0, RasterOp::kSrcCopy);
  ASSERT_EQ(s.Damage().Count(), 1);
  EXPECT_EQ(s.Damage()[0].left, 1);
  EXPECT_EQ(s.Damage()[0].bottom, 4);
}

TEST(SurfaceLending, AnUnfilledSurfaceIsSizedAsAnyOtherAndLendsWhatWasWritten) {
  EXPECT_EQ(Surface::Unfilled(0, 5).Width(), 0);
  EXPECT_EQ(Surface::Unfilled(-3, 5).Height(), 0);
  Surface s = Surface::Unfilled(4, 3);
  ASSERT_EQ(s.Width(), 4);
  ASSERT_EQ(s.Height(), 3);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 4; ++x)
      s.At(x, y) = static_cast<Pixel>(10 * y + x);
  }
  Loan loan(12);
  s.Lend(loan.data());
  EXPECT_EQ(loan.memory[11], 23u);
  EXPECT_TRUE(loan.GuardIntact());
  s.Reclaim();
  const Surface copy = s;
  EXPECT_EQ(copy.At(3, 2), 23u);
  EXPECT_EQ(copy.At(0, 1), 10u);
}

}  // namespace
}  // namespace frin
