// SPDX-License-Identifier: GPL-3.0-or-later
// The script splitter's state machine, one byte at a time (every byte of a multi-byte UTF-8
// character is above 0x7F, so none is taken for a quote, bracket or ";").
#include "jet/sql/statementsplitter.h"

#include <algorithm>
#include <cstring>

namespace Qb::Jet {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

} // namespace

void StatementSplitter::feed(std::string_view part)
{
    for (std::size_t i = 0; i < part.size();) {
        // Inside a text literal only a quote ends anything: the bytes before it are the
        // statement's text as they are, its line breaks counted.
        if (m_state == State::Text) {
            const std::size_t stop = std::min(part.find('\'', i), part.size());
            const std::string_view run = part.substr(i, stop - i);
            for (const char *c = run.data(), *end = c + run.size();
                 (c = static_cast<const char *>(std::memchr(c, '\n', std::size_t(end - c)))); ++c)
                ++m_line;
            m_text.append(run);
            i = stop;
            if (i == part.size())
                break;
        } else if (m_state == State::Code && m_started) {
            // Inside a statement's code only these bytes change the state or the line.
            const std::size_t stop = std::min(part.find_first_of("';-[\n", i), part.size());
            m_text.append(part.substr(i, stop - i));
            i = stop;
            if (i == part.size())
                break;
        }
        take(part[i++]);
    }
}

std::optional<StatementSplitter::Statement> StatementSplitter::next()
{
    if (m_ready.empty())
        return std::nullopt;
    Statement s = std::move(m_ready.front());
    m_ready.pop_front();
    return s;
}

std::optional<StatementSplitter::Statement> StatementSplitter::finish()
{
    if (m_state == State::Dash)
        take(' '); // the dash was no comment
    m_state = State::Code;
    endStatement();
    return next();
}

void StatementSplitter::endStatement()
{
    // A script's statements tend to be alike: the next one starts with room for this one.
    const std::size_t length = m_text.size();
    if (m_started)
        m_ready.push_back({std::move(m_text), m_startLine});
    m_text.clear();
    m_text.reserve(length);
    m_started = false;
}

void StatementSplitter::take(char c)
{
    if (m_state == State::Dash) {
        if (c == '-') {
            m_state = State::Comment;
            return;
        }
        m_text += '-';
        m_state = State::Code;
        if (!m_started) {
            m_started = true;
            m_startLine = m_line;
        }
    } else if (m_state == State::TextQuote) {
        m_state = c == '\'' ? State::Text : State::Code;
        if (c == '\'') {
            m_text += c;
            return;
        }
    }
    if (m_state == State::Comment) {
        if (c == '\n') {
            m_state = State::Code;
            m_text += c;
            ++m_line;
        }
        return;
    }
    if (c == '\n')
        ++m_line;
    if (m_state == State::Code) {
        if (c == ';')
            return endStatement();
        if (c == '-')
            return void(m_state = State::Dash);
        if (!m_started && !isBlank(c)) {
            m_started = true;
            m_startLine = m_line;
        }
        if (c == '\'')
            m_state = State::Text;
        else if (c == '[')
            m_state = State::Bracket;
    } else if (m_state == State::Text && c == '\'') {
        m_state = State::TextQuote;
    } else if (m_state == State::Bracket && c == ']') {
        m_state = State::Code;
    }
    m_text += c;
}

} // namespace Qb::Jet
