#include "vantic/RegisterRanges.h"

#include <array>

namespace tarsel::vantic {

namespace {

struct Row {
  int reg;
  std::uint32_t minimum;
  std::uint32_t maximum;
};

constexpr Row kRows[] = {
    {0, 0, 4},           {1, 0, 50},          {2, 0, 0x7FFFFFFF},  {3, 0, 0x23C34600},   {4, 0, 0xFFFFFFFF},
    {6, 0, 2},           {7, 0, 4},           {8, 0, 0x7FFFFFFF},  {9, 0, 0x7FFFFFFF},   {10, 0, 0xFFFFFFFF},
    {11, 0, 0xFFFFFFFF}, {12, 0, 0x7FFFFFFF}, {13, 0, 0x7FFFFFFF}, {16, 0, 100},         {18, 0, 1},
    {19, 0, 4},          {20, 0, 255},        {23, 0, 3600},       {24, 0, 3600},        {28, 0, 0x21C00000},
    {30, 0, 2},          {32, 0, 0xFFFFFFFF}, {33, 0, 3},          {34, 0, 6},           {35, 0, 7},
    {36, 0, 7},          {38, 0, 3600},       {39, 0, 3},          {40, 0, 0xFFFFFFFF},  {41, 0, 4},
    {42, 0, 2},          {50, 0, 1},          {51, 0, 2},          {52, 0, 255},         {53, 0, 10},
    {54, 0, 600},        {55, 0, 256},        {56, 0, 256},        {59, 0, 0xFFFFFFFF},  {65, 0, 0x7FFFFFFF},
    {68, 0, 2},          {70, 2, 5},          {72, 0, 65535},      {75, 0, 255},         {77, 0, 4096},
    {78, 0, 30000},      {82, 6, 120},        {83, 0, 0xFFFFFFFF}, {85, 0, 1600},        {86, 0, 3000},
    {89, 0, 1},          {90, 0, 0xFFFFFFFF}, {93, 0, 0xFFFFFFFF}, {103, 0, 0xFFFFFFFF}, {105, 0, 0xFFFFFFFF},
    {108, 0, 1},
};

constexpr std::array<RegisterRange, kRegisterCount> buildTable() {
  std::array<RegisterRange, kRegisterCount> table{};
  for (const Row& row : kRows)
    table[static_cast<std::size_t>(row.reg)] = {row.minimum, row.maximum};
  return table;
}

constexpr std::array<RegisterRange, kRegisterCount> kTable = buildTable();

} // namespace

RegisterRange registerRange(int reg) {
  if (reg < 0 || reg >= kRegisterCount)
    return {};
  return kTable[static_cast<std::size_t>(reg)];
}

bool registerAccepts(int reg, std::uint32_t value) {
  const RegisterRange range = registerRange(reg);
  return value >= range.minimum && value <= range.maximum;
}

} // namespace tarsel::vantic
