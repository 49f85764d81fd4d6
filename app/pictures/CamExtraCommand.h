// The extra command of a take request: empty (no command, option 0) when
// made, or a copy of any ICamExtraCommand. Not locked: it belongs to one job
// or one picture record at a time.
#pragma once

#include "TarselPictures_export.h"
#include "hostapi/ICamExtraCommand.h"

class TARSELPICTURES_EXPORT CCamExtraCommand : public ICamExtraCommand {
public:
  CCamExtraCommand() = default;
  explicit CCamExtraCommand(const ICamExtraCommand& other);
  CCamExtraCommand(const CCamExtraCommand& other);
  CCamExtraCommand& operator=(const CCamExtraCommand& other);

  ICamExtraCommand& Assign(const ICamExtraCommand& other) override;
  void SetCommand(std::int32_t value1, std::int32_t value2) override;
  bool GetCommand(std::int32_t* value1, std::int32_t* value2) const override;
  std::uint32_t GetOption() const override { return m_option; }
  void SetOption(std::uint32_t option) override { m_option = option; }

private:
  std::int32_t m_present = 0;
  std::int32_t m_value1 = 0;
  std::int32_t m_value2 = 0;
  std::uint32_t m_option = 0;
};
