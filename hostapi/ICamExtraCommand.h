// An optional camera command (two values and a present flag) and an option
// word that travel with a take request and with the picture it produces.
#pragma once

#include <cstdint>

class ICamExtraCommand {
public:
  virtual ~ICamExtraCommand() = default;

  // Takes the other's command and option; nothing when it is this object.
  virtual ICamExtraCommand& Assign(const ICamExtraCommand& other) = 0;
  // Stores both values and marks the command present.
  virtual void SetCommand(std::int32_t value1, std::int32_t value2) = 0;
  // False, outputs untouched, when no command is present.
  virtual bool GetCommand(std::int32_t* value1, std::int32_t* value2) const = 0;
  virtual std::uint32_t GetOption() const = 0;
  virtual void SetOption(std::uint32_t option) = 0;
};
