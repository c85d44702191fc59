// SPDX-License-Identifier: GPL-3.0-or-later
// The script splitter's state machine. It looks at the bytes that can change its state (and at
// line breaks, for the line numbers) and skips the rest with memchr or a table: a text literal
// costs one memchr scan for its closing quote. A statement's text is the bytes from the end of
// the one before, less its comments, so it is only copied when a comment or a part's end cuts
// it. Every byte of a multi-byte UTF-8 character is above 0x7F, so none is taken for a quote,
// bracket or ";".
#include "jet/sql/statementsplitter.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace Qb::Jet {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// The bytes that matter inside a statement's code.
constexpr std::array<bool, 256> codeStops = [] {
    std::array<bool, 256> stops{};
    for (const unsigned char c : {'\'', ';', '-', '[', '\n'})
        stops[c] = true;
    return stops;
}();

// Counted in sixteen byte counters at once, each for at most 255 blocks of sixteen bytes: fixed
// loops the compiler turns into vector compares, cheaper than a memchr for each line.
std::size_t lineBreaks(std::string_view s)
{
    std::size_t n = 0;
    const char *c = s.data();
    const char *const end = c + s.size();
    while (end - c >= 16) {
        unsigned char counts[16] = {};
        const char *const stop = c + std::min<std::size_t>(std::size_t(end - c) / 16, 255) * 16;
        for (; c < stop; c += 16)
            for (int k = 0; k < 16; ++k)
                counts[k] += c[k] == '\n';
        for (const unsigned char count : counts)
            n += count;
    }
    for (; c < end; ++c)
        n += *c == '\n';
    return n;
}

} // namespace

void StatementSplitter::feed(std::string_view part)
{
    keepPending();
    m_part = part;
    m_begin = 0;
    for (std::size_t at = 0; at < part.size();)
        at = step(at);
    // The part may go once this returns: what the statement holds of it so far is copied.
    if (m_state == State::Comment)
        m_begin = part.size();
    else if (m_begin < part.size())
        copyRun(part.size());
}

std::optional<StatementSplitter::Statement> StatementSplitter::next()
{
    if (m_taken == m_ready.size())
        return std::nullopt;
    const Ready &r = m_ready[m_taken++];
    return Statement{(r.kept ? std::string_view(m_kept) : m_part).substr(r.begin, r.length), r.line};
}

std::optional<StatementSplitter::Statement> StatementSplitter::finish()
{
    keepPending();
    if (m_state == State::Dash) {
        // The dash was no comment; it is in m_text already, as the last part's end copied it.
        m_text += ' ';
        startStatement();
    }
    m_state = State::Code;
    endStatement(m_part.size());
    return next();
}

// Statements not taken yet are copied out of the part; once all are taken, their copies go.
void StatementSplitter::keepPending()
{
    if (m_taken == m_ready.size()) {
        m_ready.clear();
        m_taken = 0;
        m_kept.clear();
        return;
    }
    for (std::size_t k = m_taken; k < m_ready.size(); ++k) {
        Ready &r = m_ready[k];
        if (r.kept)
            continue;
        const std::size_t begin = m_kept.size();
        m_kept.append(m_part.substr(r.begin, r.length));
        r = {begin, r.length, r.line, true};
    }
}

// Consumes what the state allows from `at`; returns where to go on (the same byte when the
// state changed without taking it).
std::size_t StatementSplitter::step(std::size_t at)
{
    switch (m_state) {
    case State::Code: return code(at);
    case State::Text:
    case State::Bracket: {
        const bool text = m_state == State::Text;
        const std::size_t stop = scanTo(text ? '\'' : ']', at);
        m_line += lineBreaks(m_part.substr(at, stop - at));
        if (stop == m_part.size())
            return stop;
        // A quote followed by a quote in the same part stays in the literal at once.
        if (text && stop + 2 <= m_part.size() && m_part[stop + 1] == '\'')
            return stop + 2;
        m_state = text && stop + 1 == m_part.size() ? State::TextQuote : State::Code;
        return stop + 1;
    }
    case State::TextQuote:
        // '' stands for one quote and the literal goes on; anything else follows it.
        m_state = m_part[at] == '\'' ? State::Text : State::Code;
        return m_state == State::Text ? at + 1 : at;
    case State::Comment: {
        const std::size_t stop = scanTo('\n', at);
        if (stop < m_part.size()) {
            m_state = State::Code; // the line break ends the comment and stays in the text
            m_begin = stop;
        }
        return stop;
    }
    case State::Dash:
        if (m_part[at] == '-') {
            startComment(at);
            return at + 1;
        }
        m_state = State::Code;
        startStatement();
        return at;
    }
    return at + 1;
}

std::size_t StatementSplitter::code(std::size_t at)
{
    if (m_started)
        while (at < m_part.size() && !codeStops[static_cast<unsigned char>(m_part[at])])
            ++at;
    if (at == m_part.size())
        return at;
    const char c = m_part[at];
    if (c == ';') {
        endStatement(at);
    } else if (c == '-') {
        m_state = State::Dash;
    } else if (c == '\n') {
        ++m_line;
    } else if (!isBlank(c)) {
        startStatement();
        if (c == '\'')
            m_state = State::Text;
        else if (c == '[')
            m_state = State::Bracket;
    }
    return at + 1;
}

std::size_t StatementSplitter::scanTo(char stop, std::size_t at)
{
    const void *found = std::memchr(m_part.data() + at, stop, m_part.size() - at);
    return found ? std::size_t(static_cast<const char *>(found) - m_part.data()) : m_part.size();
}

void StatementSplitter::startStatement()
{
    if (!m_started) {
        m_started = true;
        m_startLine = m_line;
    }
}

// The comment and the dash before `secondDash` are left out of the text.
void StatementSplitter::startComment(std::size_t secondDash)
{
    if (secondDash == 0)
        m_text.pop_back(); // the first dash ended the part before, which copied it
    else
        copyRun(secondDash - 1);
    m_state = State::Comment;
}

void StatementSplitter::copyRun(std::size_t end)
{
    m_text.append(m_part.substr(m_begin, end - m_begin));
    m_begin = end;
    m_copied = true;
}

// The statement ends before the ";" at `end` (or at the part's end).
void StatementSplitter::endStatement(std::size_t end)
{
    if (m_started && !m_copied) {
        m_ready.push_back({m_begin, end - m_begin, m_startLine, false});
    } else if (m_started) {
        copyRun(end);
        m_ready.push_back({m_kept.size(), m_text.size(), m_startLine, true});
        m_kept += m_text;
    }
    m_text.clear();
    m_copied = false;
    m_started = false;
    m_begin = end + 1;
}

} // namespace Qb::Jet
