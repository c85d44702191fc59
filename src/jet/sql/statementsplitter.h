// SPDX-License-Identifier: GPL-3.0-or-later
// Cutting a script into statements, as sqlite3 and psql read theirs: a statement ends at a ";"
// outside a text literal ('...', '' standing for one quote) and outside a [bracketed name], so
// literals may span lines and hold ";". "--" outside those starts a comment that runs to the end
// of the line (it is left out of the statement). The last statement may lack its ";"; pieces
// holding nothing but blanks and comments are no statements. The script arrives in parts of any
// size, so a large one is never held whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Qb::Jet {

class StatementSplitter
{
public:
    struct Statement
    {
        // Without its ";" and without comments. A statement that lies whole in one part and
        // holds no comment is a view of that part; any other is a view of the splitter's copy.
        // Either stays valid until the next feed() or finish().
        std::string_view text;
        std::size_t line = 0; // 1-based line of the statement's first character
    };

    // Adds the next part of the script; a part may end anywhere, even inside a character. The
    // statements fed whole in the part may be views of it: take them with next() before the part
    // changes, or keep the part as it is until the next feed() or finish(), which copies those
    // still waiting.
    void feed(std::string_view part);
    // The next statement that has been fed whole.
    std::optional<Statement> next();
    // After the last feed(): the statement the script ends with when it lacks its ";".
    std::optional<Statement> finish();

private:
    enum class State { Code, Dash, Text, TextQuote, Bracket, Comment };
    struct Ready
    {
        std::size_t begin = 0;  // in m_part, or in m_kept when `kept`
        std::size_t length = 0;
        std::size_t line = 0;
        bool kept = false;
    };

    std::size_t step(std::size_t at);
    std::size_t code(std::size_t at);
    std::size_t scanTo(char stop, std::size_t at);
    void startStatement();
    void startComment(std::size_t secondDash);
    void copyRun(std::size_t end);
    void endStatement(std::size_t end);
    void keepPending();

    State m_state = State::Code;
    std::string_view m_part;  // the part fed last
    std::size_t m_begin = 0;  // where the statement's text not yet copied starts in m_part
    bool m_copied = false;    // the statement's text up to m_begin is in m_text, not in m_part
    std::string m_text;
    bool m_started = false;   // the statement holds more than blanks
    std::size_t m_line = 1;
    std::size_t m_startLine = 1;
    std::vector<Ready> m_ready;
    std::size_t m_taken = 0;  // how many of m_ready next() gave
    std::string m_kept;       // the texts of the ready statements that are no view of m_part
};

} // namespace Qb::Jet
