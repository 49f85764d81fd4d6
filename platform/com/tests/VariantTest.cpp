#include "platform/com/Variant.h"
#include "platform/com/Guid.h"
#include "platform/com/OleDate.h"
#include "platform/com/PropertyBag.h"

#include "hostapi/RefPtr.h"

#include <gtest/gtest.h>

using namespace tarsel::com;

TEST(Guid, TextFormIsUpperCaseInBracesAndReadsBack) {
  const GUID guid{0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(StringFromGUID(guid), "{0123ABCD-4567-89EF-FEDC-BA9876543210}");
  EXPECT_EQ(GUIDFromString("{0123abcd-4567-89ef-fedc-ba9876543210}"), guid);
  for (const char* bad : {"0123ABCD-4567-89EF-FEDC-BA9876543210", "{0123ABCD-4567-89EF-FEDC-BA987654321}",
                          "{0123ABCD-4567-89EF-FEDCBA9876543210-}", "{0123ABCD-4567-89EF-FEDC-BA98765432G0}",
                          "{+123ABCD-4567-89EF-FEDC-BA9876543210}", ""})
    EXPECT_FALSE(GUIDFromString(bad)) << bad;
}

TEST(Variant, CoercesAndStoresThroughReferences) {
  std::int32_t number = 0;
  EXPECT_EQ(Variant::fromShort(-5).asLong(number), S_OK);
  EXPECT_EQ(number, -5);
  EXPECT_EQ(Variant::fromBool(true).asLong(number), S_OK);
  EXPECT_EQ(number, -1);
  EXPECT_EQ(Variant().asLong(number), S_OK);
  EXPECT_EQ(number, 0);
  EXPECT_EQ(Variant::fromText("7").asLong(number), DISP_E_TYPEMISMATCH);
  std::int16_t small = 0;
  EXPECT_EQ(Variant::fromLong(70000).asShort(small), DISP_E_TYPEMISMATCH);

  // "Out" parameters: a reference to a long, to a text, or to a variant.
  std::int32_t out = 0;
  Variant refLong = Variant::refLong(&out);
  EXPECT_EQ(refLong.storeLong(42), S_OK);
  EXPECT_EQ(out, 42);
  EXPECT_EQ(refLong.storeText("x"), DISP_E_TYPEMISMATCH);
  Variant held;
  Variant refVariant = Variant::refVariant(&held);
  EXPECT_EQ(refVariant.storeText("abc"), S_OK);
  std::string text;
  EXPECT_EQ(held.asText(text), S_OK);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(Variant::fromLong(1).storeLong(2), DISP_E_TYPEMISMATCH);
  // A variant that refers to itself is refused, not followed for ever.
  Variant self;
  self = Variant::refVariant(&self);
  EXPECT_EQ(self.asLong(number), DISP_E_TYPEMISMATCH);
}

TEST(Variant, ByteArrayIsSharedAndCannotBeResizedWhileLocked) {
  auto array = std::make_shared<ByteArray>(4);
  const Variant v = Variant::fromArray(array);
  Variant holder = v;
  Variant byRef = Variant::refVariant(&holder);
  ASSERT_EQ(byRef.array(), array);
  EXPECT_EQ(Variant().array(), nullptr);
  EXPECT_FALSE(ByteArray().hasData());
  {
    ByteArray::Access access(*array);
    access.bytes()[3] = 9;
    EXPECT_EQ(array->redim(10), DISP_E_ARRAYISLOCKED);
  }
  EXPECT_EQ(array->redim(10), S_OK);
  EXPECT_EQ(array->size(), 10u);
  ByteArray::Access access(*v.array());
  EXPECT_EQ(access.bytes()[3], 9);
}

TEST(OleDate, ConvertsCalendarFieldsBothWays) {
  struct Row {
    DATE date;
    int year, month, day, hour, minute, second;
  };
  // Known DATE values: day 0 is 30 December 1899; before it the fraction still counts forward.
  const Row rows[] = {{0.0, 1899, 12, 30, 0, 0, 0},     {25569.0, 1970, 1, 1, 0, 0, 0},
                      {2.5, 1900, 1, 1, 12, 0, 0},      {-1.25, 1899, 12, 29, 6, 0, 0},
                      {36526.75, 2000, 1, 1, 18, 0, 0}, {45657.99998842, 2024, 12, 31, 23, 59, 59}};
  for (const Row& row : rows) {
    const auto fields = FieldsFromDate(row.date);
    ASSERT_TRUE(fields) << row.date;
    EXPECT_EQ(fields->tm_year + 1900, row.year) << row.date;
    EXPECT_EQ(fields->tm_mon + 1, row.month) << row.date;
    EXPECT_EQ(fields->tm_mday, row.day) << row.date;
    EXPECT_EQ(fields->tm_hour * 3600 + fields->tm_min * 60 + fields->tm_sec,
              row.hour * 3600 + row.minute * 60 + row.second)
        << row.date;
    const auto back = DateFromFields(*fields);
    ASSERT_TRUE(back);
    EXPECT_NEAR(*back, row.date, 1.0 / 86400) << row.date;
  }
  EXPECT_EQ(FieldsFromDate(25569.0)->tm_wday, 4); // a Thursday
  EXPECT_FALSE(FieldsFromDate(3e6));
  std::tm bad{};
  bad.tm_year = 70;
  bad.tm_mon = 12;
  bad.tm_mday = 1;
  EXPECT_FALSE(DateFromFields(bad));
}

TEST(PropertyBag, ReadsWhatWasWrittenWithoutRegardToCase) {
  CRefPtr<PropertyBag> bag;
  bag.Attach(PropertyBag::create());
  EXPECT_EQ(bag->Write("propPort", Variant::fromLong(3)), S_OK);
  EXPECT_EQ(bag->Write("PROPPORT", Variant::fromLong(4)), S_OK);
  Variant value;
  std::int32_t number = 0;
  ASSERT_EQ(bag->Read("propport", &value), S_OK);
  EXPECT_EQ(value.asLong(number), S_OK);
  EXPECT_EQ(number, 4);
  EXPECT_EQ(bag->Read("propSpeed", &value), E_INVALIDARG);
  EXPECT_EQ(bag->names(), std::vector<std::string>{"propPort"});
}
