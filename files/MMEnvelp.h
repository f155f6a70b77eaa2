#pragma once
// One point of a volume envelope, streamable as 9 bytes: position and value
// (4 bytes each, little-endian) and a flag byte.
#include <cstdint>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Streams.h"

namespace files {

class TMMEnvelopePoint : public vcl::TObject {
  VCL_DECLARE_CLASS(TMMEnvelopePoint, vcl::TObject)
 public:
  TMMEnvelopePoint() = default;

  void Assign(const TMMEnvelopePoint& source);
  void SetPoint(int32_t position, int32_t value, uint8_t flag);

  int32_t Position = 0;
  int32_t Value = 0;
  uint8_t Flag = 0;

  // Raise EReadError / EWriteError when the stream falls short.
  virtual void WriteToStream(vcl::TStream& stream) const;
  virtual void ReadFromStream(vcl::TStream& stream);
};

// Unit start-up: the point's entry in the item registry.
void RegisterEnvelopeItems();

}  // namespace files
