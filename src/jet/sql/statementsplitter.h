// SPDX-License-Identifier: GPL-3.0-or-later
// Cutting a script into statements, as sqlite3 and psql read theirs: a statement ends at a ";"
// outside a text literal ('...', '' standing for one quote) and outside a [bracketed name], so
// literals may span lines and hold ";". "--" outside those starts a comment that runs to the end
// of the line (it is left out of the statement). The last statement may lack its ";"; pieces
// holding nothing but blanks and comments are no statements. The script arrives in parts of any
// size, so a large one is never held whole.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace Qb::Jet {

class StatementSplitter
{
public:
    struct Statement
    {
        std::string text;    // without its ";" and without comments
        std::size_t line = 0; // 1-based line of the statement's first character
    };

    // Adds the next part of the script; a part may end anywhere, even inside a character.
    void feed(std::string_view part);
    // The next statement that has been fed whole.
    std::optional<Statement> next();
    // After the last feed(): the statement the script ends with when it lacks its ";".
    std::optional<Statement> finish();

private:
    enum class State { Code, Dash, Text, TextQuote, Bracket, Comment };

    void take(char c);
    void endStatement();

    State m_state = State::Code;
    std::string m_text;
    bool m_started = false; // m_text holds more than blanks
    std::size_t m_line = 1;
    std::size_t m_startLine = 1;
    std::deque<Statement> m_ready;
};

} // namespace Qb::Jet
