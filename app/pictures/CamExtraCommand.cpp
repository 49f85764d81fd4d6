#include "app/pictures/CamExtraCommand.h"

CCamExtraCommand::CCamExtraCommand(const ICamExtraCommand& other) {
  Assign(other);
}

CCamExtraCommand::CCamExtraCommand(const CCamExtraCommand& other) : ICamExtraCommand() {
  Assign(other);
}

CCamExtraCommand& CCamExtraCommand::operator=(const CCamExtraCommand& other) {
  Assign(other);
  return *this;
}

ICamExtraCommand& CCamExtraCommand::Assign(const ICamExtraCommand& other) {
  if (&other == this)
    return *this;
  std::int32_t value1 = 0;
  std::int32_t value2 = 0;
  const bool present = other.GetCommand(&value1, &value2);
  m_present = present ? 1 : 0;
  m_value1 = present ? value1 : 0;
  m_value2 = present ? value2 : 0;
  m_option = other.GetOption();
  return *this;
}

void CCamExtraCommand::SetCommand(std::int32_t value1, std::int32_t value2) {
  m_value1 = value1;
  m_value2 = value2;
  m_present = 1;
}

bool CCamExtraCommand::GetCommand(std::int32_t* value1, std::int32_t* value2) const {
  if (!m_present)
    return false;
  if (value1)
    *value1 = m_value1;
  if (value2)
    *value2 = m_value2;
  return true;
}
