// The looks of the handset's screen: colours and text sizes in one place.
#pragma once

#include "host/screen/canvas.h"

namespace host::screen::theme {

inline constexpr Rgb kWindow{245, 246, 248};
inline constexpr Rgb kText{33, 37, 41};
inline constexpr Rgb kTextDisabled{150, 155, 160};
inline constexpr Rgb kTextOnDark{255, 255, 255};
inline constexpr Rgb kCaption{69, 90, 100};
inline constexpr Rgb kRule{222, 226, 230};

inline constexpr Rgb kButton{233, 236, 239};  // type 6 and other plain buttons
inline constexpr Rgb kButtonEdge{173, 181, 189};
inline constexpr Rgb kButtonAction{25, 118, 210};  // type 7: a call to act
inline constexpr Rgb kButtonDisabled{241, 243, 245};

inline constexpr Rgb kSwitchOn{46, 184, 75};
inline constexpr Rgb kSwitchOff{189, 189, 189};
inline constexpr Rgb kSwitchKnob{255, 255, 255};

inline constexpr Rgb kSliderTrack{206, 212, 218};
inline constexpr Rgb kSliderFill{25, 118, 210};
inline constexpr Rgb kSliderPad{13, 71, 161};

inline constexpr Rgb kScrollTrack{233, 236, 239};
inline constexpr Rgb kScrollThumb{134, 142, 150};

inline constexpr Rgb kToolbar{38, 50, 56};
inline constexpr Rgb kToolbarRule{84, 110, 122};

inline constexpr Rgb kMenu{255, 255, 255};
inline constexpr Rgb kMenuShade{0, 0, 0};
inline constexpr int kMenuShadeAlpha = 110;

inline constexpr Rgb kHome{30, 39, 46};
inline constexpr Rgb kHomeButton{55, 71, 79};
inline constexpr Rgb kHomeIcon{255, 179, 0};

inline constexpr Rgb kTitleBand{38, 50, 56};  // another program's window

inline constexpr int kTextSize = 22;
inline constexpr int kCaptionSize = 21;
inline constexpr int kSmallSize = 17;
inline constexpr int kTitleSize = 26;
inline constexpr int kTextPadding = 8;  // between a left- or right-aligned text and its edge

}  // namespace host::screen::theme
