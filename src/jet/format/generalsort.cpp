// SPDX-License-Identifier: GPL-3.0-or-later
// General sort-order text keys: the weights this engine knows and the key layout around them.
#include "jet/format/generalsort.h"

#include <algorithm>
#include <array>

namespace Qb::Jet::GeneralSort {

namespace {

// A weight of one or two inline bytes: values below 0x100 are one byte, others two (high first).
// 0 marks a character without a weight here.
using Weight = std::uint16_t;

constexpr char16_t FirstAscii = 0x20;

// Weights of 0x20..0x7E. Letters fold to one weight per letter; digits sort after punctuation.
constexpr std::array<Weight, 95> AsciiWeights = {
    0x07, 0x09, 0x0A, 0x0C, 0x0E, 0x10, 0x12, 0x00,   // space ! " # $ % & (apostrophe: out of line)
    0x14, 0x16, 0x18, 0x2C, 0x1A, 0x00, 0x1C, 0x1E,   // ( ) * + , (hyphen: out of line) . /
    0x36, 0x38, 0x3A, 0x3C, 0x3E, 0x40, 0x42, 0x44,   // 0..7
    0x46, 0x48, 0x20, 0x22, 0x2E, 0x30, 0x32, 0x24,   // 8 9 : ; < = > ?
    0x26,                                             // @
    0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57,   // A..H
    0x59, 0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66,   // I..P
    0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75,   // Q..X
    0x76, 0x78,                                       // Y Z
    0x27, 0x29, 0x2A, 0x2B02, 0x2B03, 0x2B07,         // [ \ ] ^ _ `
    0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57,   // a..h
    0x59, 0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66,   // i..p
    0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75,   // q..x
    0x76, 0x78,                                       // y z
    0x2B09, 0x2B0B, 0x2B0D, 0x2B0F,                   // { | } ~
};

struct WideWeight
{
    char16_t c;
    Weight w;
};

// The characters of the program's own table names (分类表, 命令库, 命令表, 关键字表), sorted by
// code point. Other Chinese characters are not known here.
constexpr std::array<WideWeight, 9> HanWeights = {{
    {u'\u4EE4', 0xA003}, // 令
    {u'\u5173', 0xA29F}, // 关
    {u'\u5206', 0xA334}, // 分
    {u'\u547D', 0xA5BA}, // 命
    {u'\u5B57', 0xACAC}, // 字
    {u'\u5E93', 0xAFF4}, // 库
    {u'\u7C7B', 0xCE39}, // 类
    {u'\u8868', 0xDA40}, // 表
    {u'\u952E', 0xE728}, // 键
}};

Weight weightOf(char16_t c)
{
    if (c >= FirstAscii && c < FirstAscii + AsciiWeights.size())
        return AsciiWeights[c - FirstAscii];
    const auto it = std::lower_bound(HanWeights.begin(), HanWeights.end(), c,
                                     [](const WideWeight &e, char16_t v) { return e.c < v; });
    return (it != HanWeights.end() && it->c == c) ? it->w : Weight(0);
}

constexpr std::uint8_t AscendingFlag = 0x7F;
constexpr std::uint8_t EndText = 0x01;
constexpr std::size_t MaxKeyChars = 255;

} // namespace

bool canEncode(char16_t c)
{
    return weightOf(c) != 0;
}

std::optional<std::vector<std::uint8_t>> textKey(std::u16string_view text)
{
    while (!text.empty() && text.back() == u' ')
        text.remove_suffix(1);
    text = text.substr(0, MaxKeyChars);
    std::vector<std::uint8_t> key{AscendingFlag};
    for (char16_t c : text) {
        const Weight w = weightOf(c);
        if (w == 0)
            return std::nullopt;
        if (w > 0xFF)
            key.push_back(static_cast<std::uint8_t>(w >> 8));
        key.push_back(static_cast<std::uint8_t>(w & 0xFF));
    }
    key.push_back(EndText);
    key.push_back(0x00);
    return key;
}

} // namespace Qb::Jet::GeneralSort
