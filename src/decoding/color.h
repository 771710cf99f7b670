#pragma once

#include <cstdint>

namespace pq {

// The colour of one decoded pixel: one of the predefined black, white and clear colours, or
// an opaque RGB colour made from a palette entry's 16-bit components. A palette colour never
// equals a predefined colour, even with the same components (palette entry 15 of the
// 16-colour palette is (0, 0, 0) and still differs from `black()`); palette colours with
// equal components are equal.
class Color {
public:
    enum class Kind : std::uint8_t { Rgb, Black, White, Clear };

    static constexpr Color black() { return Color(Kind::Black, 0, 0, 0); }
    static constexpr Color white() { return Color(Kind::White, 0xFFFF, 0xFFFF, 0xFFFF); }
    static constexpr Color clear() { return Color(Kind::Clear, 0, 0, 0); }
    static constexpr Color fromRgb16(std::uint16_t r, std::uint16_t g, std::uint16_t b)
    {
        return Color(Kind::Rgb, r, g, b);
    }

    constexpr Color() = default; // clear

    constexpr Kind kind() const { return m_kind; }
    constexpr bool isClear() const { return m_kind == Kind::Clear; }
    constexpr std::uint16_t red16() const { return m_red; }
    constexpr std::uint16_t green16() const { return m_green; }
    constexpr std::uint16_t blue16() const { return m_blue; }
    // Components in 0..1, alpha 0 for clear and 1 otherwise.
    constexpr double redF() const { return m_red / 65535.0; }
    constexpr double greenF() const { return m_green / 65535.0; }
    constexpr double blueF() const { return m_blue / 65535.0; }
    constexpr double alphaF() const { return isClear() ? 0.0 : 1.0; }

    // 8-bit components rounded to nearest (0x6565 -> 0x65).
    constexpr std::uint8_t red8() const { return to8(m_red); }
    constexpr std::uint8_t green8() const { return to8(m_green); }
    constexpr std::uint8_t blue8() const { return to8(m_blue); }
    // Premultiplied 0xAARRGGBB, the layout of QImage::Format_ARGB32_Premultiplied; 0 for clear.
    constexpr std::uint32_t argb32Premultiplied() const
    {
        if (isClear())
            return 0;
        return 0xFF000000u | (std::uint32_t(red8()) << 16) | (std::uint32_t(green8()) << 8) | blue8();
    }

    friend constexpr bool operator==(const Color& a, const Color& b)
    {
        if (a.m_kind != b.m_kind)
            return false;
        return a.m_kind != Kind::Rgb || (a.m_red == b.m_red && a.m_green == b.m_green && a.m_blue == b.m_blue);
    }

private:
    constexpr Color(Kind kind, std::uint16_t r, std::uint16_t g, std::uint16_t b)
        : m_kind(kind), m_red(r), m_green(g), m_blue(b)
    {
    }
    static constexpr std::uint8_t to8(std::uint16_t c) { return static_cast<std::uint8_t>((c * 255u + 32767u) / 65535u); }

    Kind m_kind = Kind::Clear;
    std::uint16_t m_red = 0;
    std::uint16_t m_green = 0;
    std::uint16_t m_blue = 0;
};

} // namespace pq
