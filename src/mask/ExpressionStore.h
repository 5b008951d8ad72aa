#pragma once

#include <ace/Thread_Mutex.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mask/Expression.h"
#include "mask/Program.h"
#include "mask/TextMap.h"

namespace mask {

// What a text of the store stands for.
struct Binding {
  enum Kind { kVariable, kConstant, kProgram };
  Kind kind;
  int32_t slot = -1;                 // kVariable: its value's place
  Value constant;                    // kConstant: a text found to be constant
  std::unique_ptr<Program> program;  // kProgram: may be empty (a text without operand)
};

}  // namespace mask

// The interpreter's one map from 8-bit text to what it stands for: a variable
// (name -> value), or an expression text seen before (text -> its compiled
// program, or its value once it has proved constant).
//
// Evaluation takes no lock: it finds the text in a map read without locks and
// runs the program against an immutable snapshot of the variables. Writers
// (setVariable, the first evaluation of a text, a program that assigns) take
// writerLock_; they change the writer's copy of the variables and a version
// number, and the first evaluation that sees the new version publishes a new
// snapshot. A thread keeps the snapshot it used, with its version, so that
// the next evaluation costs one atomic load to check it is still current.
class ExpressionStore {
 public:
  // variableSlot when the name is not bound at all, or bound to something else.
  static constexpr int32_t kNotBound = -1;
  static constexpr int32_t kNotVariable = -2;

  ExpressionStore();
  virtual ~ExpressionStore();
  ExpressionStore(const ExpressionStore&) = delete;
  ExpressionStore& operator=(const ExpressionStore&) = delete;

  // Binds a fresh integer under name, replacing whatever was bound there. The
  // value keeps its low 32 bits.
  int setVariable(const char* name, long value, int bitWidth);
  // The same for many names at once: evaluations see all of them or none.
  int setVariables(const std::vector<std::pair<std::string, long>>& values, int bitWidth);

  // Evaluates text, parsing and compiling it the first time; see SyntaxInterpreter.
  int evaluate(const char* text, double& result);
  // Finds text's entry, parsing and compiling it the first time; the parse's
  // status, the entry null, when that fails. An entry lives as long as the store.
  int prepare(const char* text, mask::TextMap::Entry*& entry);
  // Evaluates the text of a prepared entry, as evaluate(text) would.
  int evaluate(mask::TextMap::Entry& entry, double& result);
  // The tree of text, parsed afresh, not cached.
  int parse(const char* text, Node& tree);
  // Evaluates a tree once, not cached: the root's status (3 when it depends on
  // no variable) and its value, which an empty tree leaves untouched.
  int evaluateTree(const Expression* tree, mask::Value& value);

  // What text is bound to, or null.
  const mask::Binding* find(const char* text) const;
  int32_t variableSlot(const std::string& name) const;
  // A variable's value as a new node, or null when name is no variable.
  Node variableNode(const std::string& name) const;
  // Rebinds a variable to a copy of a value node: -5 when name is no variable.
  int assign(const std::string& name, const Expression& value);
  size_t size() const { return map_.size(); }

 private:
  struct Snapshot {
    Snapshot(uint64_t at, std::vector<mask::Value> copy);
    uint64_t version;
    std::vector<mask::Value> values;
    std::vector<mask::Slot> views;  // of values, what programs read
  };

  const Snapshot& variables(int32_t highestSlot);
  const Snapshot& refresh();
  // The writer's: binds value under name, as a variable.
  void bindVariable(const std::string& name, mask::Value value);
  void rebind(mask::TextMap::Entry& entry, std::unique_ptr<mask::Binding> binding);
  // The binding for a text not seen before: its program, or the parse's failure.
  int compile(std::string_view key, uint64_t hash, mask::TextMap::Entry*& entry,
              const mask::Binding*& binding);
  int run(const mask::Program& program, mask::Slot& out);
  int evaluateBinding(mask::TextMap::Entry& entry, const mask::Binding& binding, double& result);

  // Unique among all stores ever made, so that a thread's cached snapshot
  // cannot be taken for another store's.
  const uint64_t id_;
  mask::TextMap map_;
  // Bumped by every change of the variables; read without the lock.
  std::atomic<uint64_t> version_{1};

  // Serialises every writer; guards what follows.
  mutable ACE_Thread_Mutex writerLock_;
  std::vector<mask::Value> staged_;
  std::shared_ptr<const Snapshot> published_;
  // Every binding ever made: one replaced may still be in use by a reader.
  std::vector<std::unique_ptr<mask::Binding>> bindings_;
};
