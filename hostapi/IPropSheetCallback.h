// The program's Options sheet as a plug-in's options page sees it.
#pragma once

#include <cstdint>

class IPropSheetCallback {
public:
  virtual ~IPropSheetCallback() = default;

  // The page of that index became active; the sheet reopens on it next time.
  virtual void OnPageActivated(std::int32_t pageIndex) = 0;
  // The number of pages in the sheet now: the index the next added page gets.
  virtual std::int32_t GetPageCount() = 0;
};
