#include "files/MMEnvelp.h"

#include "files/MMObjLst.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

void PutLE32(uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetLE32(const uint8_t* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(u);
}

void ReadPoint(vcl::TObject* item, vcl::TStream& stream) {
  static_cast<TMMEnvelopePoint*>(item)->ReadFromStream(stream);
}

void WritePoint(const vcl::TObject* item, vcl::TStream& stream) {
  static_cast<const TMMEnvelopePoint*>(item)->WriteToStream(stream);
}

}  // namespace

VCL_IMPLEMENT_CLASS(TMMEnvelopePoint)

void TMMEnvelopePoint::Assign(const TMMEnvelopePoint& source) {
  Position = source.Position;
  Value = source.Value;
  Flag = source.Flag;
}

void TMMEnvelopePoint::SetPoint(int32_t position, int32_t value, uint8_t flag) {
  Position = position;
  Value = value;
  Flag = flag;
}

void TMMEnvelopePoint::WriteToStream(vcl::TStream& stream) const {
  uint8_t bytes[9];
  PutLE32(bytes, Position);
  PutLE32(bytes + 4, Value);
  bytes[8] = Flag;
  stream.WriteBuffer(bytes, sizeof(bytes));
}

void TMMEnvelopePoint::ReadFromStream(vcl::TStream& stream) {
  uint8_t bytes[9];
  stream.ReadBuffer(bytes, sizeof(bytes));
  Position = GetLE32(bytes);
  Value = GetLE32(bytes + 4);
  Flag = bytes[8];
}

void RegisterEnvelopeItems() { RegisterItemClass(ReadPoint, WritePoint, TMMEnvelopePoint::StaticClass()); }

}  // namespace files
