// Basic value types of the window framework: colours, rectangles, points
// and the root object.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/exception.h"

namespace fw {

// $BBGGRR: red in the lowest byte. Values with the top byte 0x80 are system
// colours, resolved from the desktop theme when something is drawn in them.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor cl3DLight = 0x80000016;
inline constexpr TColor clWindowText = 0x80000008;

struct TRect {
  std::int32_t Left, Top, Right, Bottom;
  // The column Left and the row Top lie inside, Right and Bottom just outside.
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TPoint {
  std::int32_t x, y;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;

}  // namespace fw
