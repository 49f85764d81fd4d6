// Erasing a picture a transfer kept on the card, over a card of named
// pictures that renumbers itself after every erase as a camera does: the
// picture erased is the one with the kept name or none, and the search never
// selects a number the camera does not have.
#include "app/cameras/common/KeptPictureSearch.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

using tarsel::cameras::EraseKeptPicture;
using tarsel::cameras::FindKeptPicture;
using tarsel::cameras::StoredPictures;

namespace {

// A camera's card: pictures 1..N by name; an erase closes the gap. A
// camera may report a count other than the names it holds.
class Card {
public:
  explicit Card(std::vector<std::string> names) : m_names(std::move(names)) {
    m_reported = static_cast<std::int32_t>(m_names.size());
  }

  StoredPictures Operations() {
    return {[this] { return m_reported; },
            [this](std::int32_t index) {
              ++m_selects;
              m_lowest = std::min(m_lowest, index);
              m_highest = std::max(m_highest, index);
              m_selected = index;
            },
            [this] { return Holds(m_selected) ? m_names[static_cast<std::size_t>(m_selected - 1)] : ""; },
            [this] {
              ASSERT_TRUE(Holds(m_selected)) << "erased picture " << m_selected;
              erased.push_back(m_names[static_cast<std::size_t>(m_selected - 1)]);
              m_names.erase(m_names.begin() + (m_selected - 1));
              m_reported = static_cast<std::int32_t>(m_names.size());
            }};
  }

  void Report(std::int32_t count) { m_reported = count; }
  int Selects() const { return m_selects; }
  std::int32_t LowestSelected() const { return m_lowest; }
  std::int32_t HighestSelected() const { return m_highest; }

  std::vector<std::string> erased;

private:
  bool Holds(std::int32_t index) const {
    return index >= 1 && index <= static_cast<std::int32_t>(m_names.size());
  }

  std::vector<std::string> m_names;
  std::int32_t m_reported = 0;
  std::int32_t m_selected = 0;
  int m_selects = 0;
  std::int32_t m_lowest = std::numeric_limits<std::int32_t>::max();
  std::int32_t m_highest = std::numeric_limits<std::int32_t>::min();
};

std::vector<std::string> Names(int count, int first = 1) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i)
    names.push_back("DSC" + std::to_string(first + i) + ".JPG");
  return names;
}

} // namespace

TEST(KeptPictureSearch, ErasesThePictureAtItsOwnNumberWhenTheNameStillMatches) {
  Card card(Names(5));
  StoredPictures pictures = card.Operations();
  EXPECT_EQ(EraseKeptPicture({3, "DSC3.JPG"}, pictures), 0);
  EXPECT_EQ(card.erased, std::vector<std::string>{"DSC3.JPG"});
}

TEST(KeptPictureSearch, FindsThePictureByItsFileNameAfterTheCameraRenumbered) {
  // Two pictures were kept at 4 and 5; erasing the first moves the second to 4.
  Card card(Names(5));
  StoredPictures pictures = card.Operations();
  EXPECT_EQ(EraseKeptPicture({4, "DSC4.JPG"}, pictures), 0);
  EXPECT_EQ(FindKeptPicture({5, "DSC5.JPG"}, pictures), 4);
  EXPECT_EQ(EraseKeptPicture({5, "DSC5.JPG"}, pictures), 0);
  // An older picture now at the first kept picture's number is no match.
  EXPECT_EQ(EraseKeptPicture({3, "DSC4.JPG"}, pictures), 1);
  EXPECT_EQ(card.erased, (std::vector<std::string>{"DSC4.JPG", "DSC5.JPG"}));
}

TEST(KeptPictureSearch, APictureNoLongerOnTheCardErasesNothing) {
  // The kept picture went (erased on the camera); a later one took its number.
  Card card({"DSC1.JPG", "DSC2.JPG", "DSC9.JPG"});
  StoredPictures pictures = card.Operations();
  EXPECT_EQ(FindKeptPicture({3, "DSC3.JPG"}, pictures), 0);
  EXPECT_EQ(EraseKeptPicture({3, "DSC3.JPG"}, pictures), 1);
  EXPECT_TRUE(card.erased.empty());
}

TEST(KeptPictureSearch, APictureThatWasNeverOnACardSelectsAndErasesNothing) {
  Card card(Names(3));
  StoredPictures pictures = card.Operations();
  for (const CardPicture& unknown :
       {CardPicture{}, CardPicture{2, ""}, CardPicture{0, "DSC2.JPG"}, CardPicture{-1, "DSC2.JPG"}}) {
    EXPECT_EQ(EraseKeptPicture(unknown, pictures), 1);
  }
  EXPECT_EQ(card.Selects(), 0);
  EXPECT_TRUE(card.erased.empty());
}

TEST(KeptPictureSearch, TheNewestOfTwoPicturesWithTheSameNameIsTheKeptOne) {
  // A camera that restarted its numbering: the older DSC2.JPG sits at 2.
  Card card({"DSC1.JPG", "DSC2.JPG", "DSC3.JPG", "DSC2.JPG", "DSC4.JPG"});
  StoredPictures pictures = card.Operations();
  EXPECT_EQ(EraseKeptPicture({6, "DSC2.JPG"}, pictures), 0);
  EXPECT_EQ(card.erased, std::vector<std::string>{"DSC2.JPG"});
  EXPECT_EQ(FindKeptPicture({4, "DSC4.JPG"}, pictures), 4);
  EXPECT_EQ(FindKeptPicture({4, "DSC2.JPG"}, pictures), 2);
}

TEST(KeptPictureSearch, SelectsOnlyNumbersTheCameraReports) {
  // The card shrank below the remembered number: nothing above the count is
  // selected, and the picture is found lower down.
  Card card(Names(4));
  StoredPictures pictures = card.Operations();
  EXPECT_EQ(FindKeptPicture({9, "DSC2.JPG"}, pictures), 2);
  EXPECT_EQ(card.HighestSelected(), 4);
  EXPECT_GE(card.LowestSelected(), 2);

  // A camera reporting no pictures or a negative count is never asked for one.
  for (const std::int32_t count : {0, -5, std::numeric_limits<std::int32_t>::min()}) {
    Card empty(Names(4));
    empty.Report(count);
    StoredPictures none = empty.Operations();
    EXPECT_EQ(EraseKeptPicture({2, "DSC2.JPG"}, none), 1);
    EXPECT_EQ(empty.Selects(), 0);
    EXPECT_TRUE(empty.erased.empty());
  }
}

TEST(KeptPictureSearch, LooksAmongTheNewestTenThousandOnly) {
  // A camera reporting nonsense costs a bounded search, without overflow.
  Card huge(Names(3));
  huge.Report(std::numeric_limits<std::int32_t>::max());
  StoredPictures pictures = huge.Operations();
  EXPECT_EQ(EraseKeptPicture({2, "DSC7.JPG"}, pictures), 1);
  EXPECT_LE(huge.Selects(), 10001);
  EXPECT_EQ(huge.HighestSelected(), std::numeric_limits<std::int32_t>::max());
  EXPECT_TRUE(huge.erased.empty());

  // The newest 10 000 of 10 001 pictures are searched; the oldest is not.
  Card full(Names(10001));
  StoredPictures stored = full.Operations();
  EXPECT_EQ(FindKeptPicture({10001, "DSC2.JPG"}, stored), 2);
  EXPECT_EQ(FindKeptPicture({10001, "DSC1.JPG"}, stored), 0);
  EXPECT_EQ(full.LowestSelected(), 2);
}

TEST(KeptPictureSearch, AFailingCameraOperationPassesOnAndErasesNothing) {
  Card card(Names(3));
  StoredPictures pictures = card.Operations();
  pictures.selectedName = []() -> std::string { throw std::runtime_error("camera gone"); };
  EXPECT_THROW(EraseKeptPicture({2, "DSC2.JPG"}, pictures), std::runtime_error);
  EXPECT_TRUE(card.erased.empty());
}
