#pragma once

#include <functional>
#include <string>

class StandinHost;
class SyntaxInterpreter;

// Evaluates every mask of the ECU's items over the ECU's state variables, as
// the component will, and reports each one that cannot work: a broken mask is
// a finding for the author, not a reason to refuse to start.
void checkMasks(StandinHost& host, const std::string& ecu,
                const std::function<void(const std::string&)>& warn);

// Why one mask cannot work, or empty when it can. Stricter than the component,
// which takes some broken masks without a word (an unclosed bracket ends the
// text there) and answers "does not apply" for them.
std::string maskProblem(SyntaxInterpreter& interpreter, const std::string& mask);
