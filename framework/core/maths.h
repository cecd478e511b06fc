#pragma once
// utilmath: elementary mathematics in 80-bit extended precision (long double) for the calculation
// and the drawings. Guarded functions never stop the program: on a domain error they add a message
// to the message list (AddError) and return a fixed substitute value. Angles are radians unless a
// name says degrees.

#include <cstdint>
#include <cstring>
#include <string_view>

using Extended = long double;

constexpr Extended Pi = 3.141592653589793238462643383279502884L;
constexpr Extended HalfPi = Pi / 2;
constexpr Extended MmPerInch = 25.4L;
constexpr Extended EqualTolerance = 1e-5L;   // IsEqual
constexpr Extended ArcInvTolerance = 1e-15L; // ArcInv stops when |Inv(a) - y| < this

// The values of a pure function of N extended arguments, remembered bit for bit (+0 and -0
// apart) for the last arguments it was given: one slot each, chosen by a hash of their bits, a
// later tuple taking the slot of an earlier one. For the functions a calculation evaluates many
// times over at its few angles and shifts. Arguments that are not all finite are never
// remembered, so a domain error is raised on every call.
template <class Value, int N> class ValueMemo {
public:
    // compute(value) for the arguments, or the value it gave for them before. compute returns
    // false for a value that must not be remembered (it came with a message).
    template <class Compute> Value Of(const Extended (&args)[N], Compute compute) {
        Key key;
        std::uint64_t hash = 0;
        for (int n = 0; n < N; ++n) {
            std::memcpy(&key.significand[n], &args[n], 8);
            std::memcpy(&key.signExponent[n], reinterpret_cast<const char*>(&args[n]) + 8, 2);
            if ((key.signExponent[n] & 0x7FFF) == 0x7FFF) return Computed(compute);
            hash = (hash ^ key.significand[n] ^ key.signExponent[n]) * 0x9E3779B97F4A7C15ull;
        }
        Slot& slot = slots_[hash >> (64 - SlotBits)];
        if (slot.filled && slot.key == key) return slot.value;
        Value v{};
        if (compute(v)) slot = Slot{key, v, true};
        return v;
    }

private:
    static_assert(sizeof(Extended) >= 10, "x87 extended precision");
    static constexpr int SlotBits = 5;
    struct Key {
        std::uint64_t significand[N] = {};
        std::uint16_t signExponent[N] = {};
        bool operator==(const Key&) const = default;
    };
    struct Slot {
        Key key;
        Value value{};
        bool filled = false;
    };
    template <class Compute> static Value Computed(Compute compute) {
        Value v{};
        compute(v);
        return v;
    }
    Slot slots_[1 << SlotBits];
};

// Sine and cosine as sinl and cosl give them (one argument reduction for both), and atanl,
// remembered.
void SinAndCos(Extended x, Extended& s, Extended& c);
Extended Sin(Extended x);
Extended Cos(Extended x);
Extended ArcTan(Extended x);

// Guarded functions.
Extended Tan(Extended x);    // cos x == 0: "Error: function tan in Unit math", 1.0E30
Extended ArcSin(Extended x); // |x| > 1: "Error: ArcSin in unit math", pi/2
Extended ArcCos(Extended x); // |x| > 1: "Error: function ArcCos in math", 0
Extended ArcCosLimited(std::string_view Name, Extended x); // |x| > 1: 0, no message
// X^Y = exp(Y ln X). X < 0: exp(Y ln |X|) and Name + " (pow)" when Name is not empty;
// X == 0: 0; saturates at 1.0E3000 and 0 when |Y ln X| > 3000.
Extended Power(std::string_view Name, Extended X, Extended Y);
// sqrt x; x < 0: 0 and, when Name is not empty, Name + " (sqrt)".
Extended SqrtChecked(std::string_view Name, Extended x);
// The angle whose involute is y (bisection on [-1.57, 1.57]); no convergence within 800
// steps: "Error: ArcInv in unit math", 0.
Extended ArcInv(Extended y);
// ArcInv that also gives the cosine of the angle (1 for the angle 0), as cosl would. Both are
// remembered for the last arguments.
Extended ArcInv(Extended y, Extended& cosA);

// Float to integer with a check of finiteness and range first. NaN gives 0; a value beyond the
// target range gives the nearest bound; both add "Error: Round in unit math" (or Trunc).
// Round goes to the nearest integer, halves to the even neighbour.
std::int64_t Round(Extended x);
std::int64_t Trunc(Extended x);
std::int32_t RoundInt(Extended x);
std::int32_t TruncInt(Extended x);
// The same checks without a message: false (and out untouched) when x does not fit.
bool TryRound(Extended x, std::int64_t& out);
bool TryRoundInt(Extended x, std::int32_t& out);

// Plain functions.
Extended RoundDec(int n, Extended x); // x rounded to n decimals (n may be negative), ties to even
Extended IntPower(Extended x, int n);
Extended Inv(Extended a);   // involute: Tan(a) - a
Extended Log10(Extended x); // 0 for x <= 0
Extended Pow10(Extended x);
Extended Floor(Extended x); // trunc(x), minus 1 when x < 0 (Floor(-2) == -3)
int Exponent10(Extended x); // 0 for x == 0, else Floor(Log10|x|)
Extended Hypot(Extended x, Extended y);
Extended Cathetus(Extended r, Extended x); // sqrt(r^2 - x^2); 0 when |r| <= |x|
// Angle of the vector (x, y), x component FIRST; range (-pi/2, 3pi/2).
Extended ArcTan2(Extended x, Extended y);
Extended ArcTan2Swapped(Extended y, Extended x); // ArcTan2(x, y)
Extended RadToDeg(Extended x);
Extended DegToRad(Extended x);
Extended NormAngle(Extended x);                    // in [0, 2pi)
Extended AngleDiffDeg(Extended a, Extended b);     // b - a in [0, 360) degrees
Extended RotX(Extended p, Extended q, Extended a); // cos a q - sin a p
Extended RotY(Extended p, Extended q, Extended a); // cos a p + sin a q
void RotatePoint(Extended& X, Extended& Y, Extended x, Extended y, Extended a);
void RotateMovePoint(Extended& X, Extended& Y, Extended dx, Extended dy, Extended angleDeg,
                     Extended x, Extended y);
void ScaleRotateMovePoint(Extended& X, Extended& Y, Extended sx, Extended sy, Extended dx,
                          Extended dy, Extended angleDeg, Extended x, Extended y);
bool IsEqual(Extended a, Extended b);               // |a - b| < 1e-5
bool IsBetween(Extended x, Extended a, Extended b); // strictly between, either order
Extended PercentDiff(Extended ref, Extended v);     // |(v - ref) / ref| 100; 0 for ref == 0
Extended Max(Extended a, Extended b);
Extended Min(Extended a, Extended b);
std::int32_t IMax(std::int32_t a, std::int32_t b);
std::int32_t IMin(std::int32_t a, std::int32_t b);
// min(max(v, lo), hi): the SECOND argument is the upper bound, the third the lower.
std::int32_t ILimit(std::int32_t v, std::int32_t hi, std::int32_t lo);
void SwapReal(Extended& a, Extended& b);
Extended Sign(Extended x);           // 1 for x >= 0, else -1
Extended SignAtLeastOne(Extended x); // 1 for x >= 1, else -1
Extended Mean2(Extended a, Extended b);
bool IsEven(std::int64_t n);
Extended InchToMm(Extended x);
Extended MmToInch(Extended x);
Extended RoundToDouble(Extended x); // through 64-bit double and back

// Chart axis over [A, B] with about n divisions (n < 1 is taken as 1).
void NiceScale(Extended& Lo, Extended& Hi, Extended& Step, Extended A, Extended B, int n);
