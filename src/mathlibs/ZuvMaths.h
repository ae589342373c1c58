// Numeric routines of the extended maths library: integer number theory,
// combinatorics, guarded trigonometry and the gamma and beta families.
//
// Everything is computed in 80-bit extended precision (long double); callers
// round to double.  Conditions under which a routine has no value raise
// EZuvMathError with one of the fixed messages below.  No routine loops a
// number of times that grows with its argument beyond a small fixed bound:
// the gamma family switches to logarithmic closed forms for large magnitudes.
#pragma once

#include "SysUtils.h"

#include <cstdint>

// The error every routine of this unit raises; Message() is one of the
// texts in ZuvMathMessages.
class EZuvMathError : public Exception {
public:
    using Exception::Exception;
};

namespace ZuvMathMessages {
inline constexpr const char* ArcSinDomain = "ZuvArcSin requires values with magnitude <= 1";
inline constexpr const char* ArcCosDomain = "ZuvArcCos requires values with magnitude <= 1";
inline constexpr const char* NotDefined = "Not Defined for given Value";
inline constexpr const char* InvalidValue = "Invalid Value";
inline constexpr const char* ZeroNegativePower = "Zero cannot be raised to a Negative Power";
inline constexpr const char* LowLongInt = "Cannot be raised to Low (LongInt)";
inline constexpr const char* InvalidPower = "Invalid X^Y";
inline constexpr const char* MustBePositive = "Value must be > 0";
inline constexpr const char* TanTooLarge = "Angle Magnitude too large for ZuvTan";
inline constexpr const char* CotTooLarge = "Angle Magnitude too large for ZuvCot";
} // namespace ZuvMathMessages

using Extended = long double;

// A value counts as zero below this magnitude, as positive at or above it and
// as negative at or below its negative.
inline constexpr Extended ZuvZeroTolerance = 5e-324L;
bool ZuvIsZero(Extended x);
bool ZuvIsPositive(Extended x);
bool ZuvIsNegative(Extended x);

// Nearest whole number, halves to even.
Extended ZuvRound(Extended x);

// Constants, held to full extended precision.
namespace ZuvConst {
inline constexpr Extended Sqrt2 = 1.41421356237309504880168872420969808L;
inline constexpr Extended Sqrt3 = 1.73205080756887729352744634150587237L;
inline constexpr Extended Sqrt5 = 2.23606797749978969640917366873127624L;
inline constexpr Extended Sqrt10 = 3.16227766016837933199889354443271853L;
inline constexpr Extended SqrtPi = 1.77245385090551602729816748334114518L;
inline constexpr Extended Cbrt2 = 1.25992104989487316476721060727822835L;
inline constexpr Extended Cbrt3 = 1.44224957030740838232163831078010958L;
inline constexpr Extended Cbrt10 = 2.15443469003188372175929356651935049L;
inline constexpr Extended Cbrt100 = 4.64158883361277889241007635091944657L;
inline constexpr Extended CbrtPi = 1.46459188756152326302014252726379039L;
inline constexpr Extended InvSqrt2 = 0.707106781186547524400844362104849039L;
inline constexpr Extended InvSqrt3 = 0.577350269189625764509148780501957456L;
inline constexpr Extended InvSqrt5 = 0.447213595499957939281834733746255247L;
inline constexpr Extended InvSqrtPi = 0.564189583547756286948079451560772586L;
inline constexpr Extended InvCbrtPi = 0.682784063255295681467020833158164598L;
inline constexpr Extended E = 2.71828182845904523536028747135266250L;
inline constexpr Extended E2 = 7.38905609893065022723042746057500781L;
inline constexpr Extended EPi = 23.1406926327792690057290863679485474L;
inline constexpr Extended EPiOn2 = 4.81047738096535165547303566670383313L;
inline constexpr Extended EPiOn4 = 2.19328005073801545655976965927873822L;
// log2(10) is held as a double on purpose: it is the one constant stored at
// double precision.
inline constexpr double Log10Base2 = 3.321928094887362;
inline constexpr Extended Log2Base10 = 0.301029995663981195213738894724493027L;
inline constexpr Extended Log3Base10 = 0.477121254719662437295027903255115310L;
inline constexpr Extended LogEBase10 = 0.434294481903251827651128918916605082L;
inline constexpr Extended Pi = 3.14159265358979323846264338327950288L;
inline constexpr Extended InvPi = 0.318309886183790671537767526745028724L;
inline constexpr Extended TwoPi = 6.28318530717958647692528676655900577L;
inline constexpr Extended ThreePi = 9.42477796076937971538793014983850865L;
inline constexpr Extended Pi2 = 9.86960440108935861883449099987615114L;
inline constexpr Extended PiToE = 22.4591577183610454734271522045437350L;
inline constexpr Extended PiOn2 = 1.57079632679489661923132169163975144L;
inline constexpr Extended PiOn3 = 1.04719755119659774615421446109316763L;
inline constexpr Extended PiOn4 = 0.785398163397448309615660845819875721L;
inline constexpr Extended ThreePiOn2 = 4.71238898038468985769396507491925432L;
inline constexpr Extended FourPiOn3 = 4.18879020478639098461685784437267051L;
inline constexpr Extended TwoTo63 = 9223372036854775808.0L;
inline constexpr Extended OneRadian = 57.2957795130823208767981548141051703L;
inline constexpr Extended OneDegree = 0.0174532925199432957692369076848861271L;
inline constexpr Extended OneMinute = 0.000290888208665721596153948461414768785L;
inline constexpr Extended OneSecond = 0.00000484813681109535993589914102357947975L;
inline constexpr Extended EulerGamma = 0.577215664901532860606512090082402431L;
inline constexpr Extended LnRt2Pi = 0.918938533204672741780329736405617640L;
inline constexpr Extended Ln2 = 0.693147180559945309417232121458176568L;
inline constexpr Extended Ln10 = 2.30258509299404568401799145468436421L;
inline constexpr Extended LnPi = 1.14472988584940017414342735135305871L;
inline constexpr Extended LogPiBase10 = 0.497149872694133854351268288290898873L;
} // namespace ZuvConst

// Integer number theory.
std::uint32_t ZuvGCD(std::uint32_t x, std::uint32_t y); // gcd(a, 0) = a; gcd(0, 0) = 0
std::int64_t ZuvLCM(std::int32_t x, std::int32_t y);    // (x div g) * y; 0 when either is 0
bool ZuvRelPrime(std::uint32_t x, std::uint32_t y);

// Geometry and remainders.
Extended ZuvDistance(Extended x1, Extended y1, Extended x2, Extended y2);
// Floor remainder: x - floor(x / y) * y, computed exactly; the result has the
// sign of y (or is 0).  y must not be zero.
Extended ZuvExtMod(Extended x, Extended y);
// Truncating remainder: x - int(x / y) * y, computed exactly; y must not be zero.
Extended ZuvExtRem(Extended x, Extended y);

// Combinatorics on whole numbers; 0 for n above 1754 (beyond extended range).
Extended ZuvFact(std::uint32_t n);
Extended ZuvPerm(std::uint32_t n, std::uint32_t r); // r <= n expected; 1 when r = 0
Extended ZuvComb(std::uint32_t n, std::uint32_t r); // r <= n expected; 1 when r = 0 or r = n

// Trigonometry (radians).
Extended ZuvTan(Extended x); // |x| < 2^63
Extended ZuvCot(Extended x); // |x| < 2^63
// Angle of the point (x, y) in (-pi, pi]; 0 at the origin.
Extended ZuvArcTan2(Extended x, Extended y);
Extended ZuvArcSin(Extended x); // principal value in [-pi/2, pi/2]
Extended ZuvArcCos(Extended x); // principal value in [0, pi]

// Gamma family.
// True when x is a pole of the gamma function (0, -1, -2, ...).
bool ZuvIsGammaPole(Extended x);
Extended ZuvInverseGamma(Extended x); // 1 / Gamma(x); exactly 0 at the poles
Extended ZuvGamma(Extended x);        // raises NotDefined at the poles
Extended ZuvLnGamma(Extended x);      // ln |Gamma(x)|; raises InvalidValue at the poles
Extended ZuvBeta(Extended x, Extended y);
Extended ZuvIncompleteBeta(Extended x, Extended p, Extended q); // regularised I_x(p, q)

// Powers.
Extended ZuvLog2(Extended x);
Extended ZuvIntPower(Extended x, std::int32_t n);
Extended ZuvGeneralPower(Extended x, Extended y);
