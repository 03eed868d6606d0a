// The names a call text can reach, and the evaluation of a call text.

#ifndef VELLARO_SHELL_BINDING_SCOPE_H_
#define VELLARO_SHELL_BINDING_SCOPE_H_

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellaro {

// An error recorded by an evaluation: its code and, for kUnknownName, the
// name that was not found.
struct EvaluationError {
  int code = 0;
  std::string name;

  bool operator==(const EvaluationError&) const = default;
};

// BindingScope: a table of procedures callable by name from a call text,
// for as long as the scope lives (opened by its construction, closed by its
// destruction), and the evaluation of call texts against it.
//
// Names are matched without regard to letter case; a bound name has 1 to 99
// characters. Evaluation reads and matches the whole text before anything
// runs (see ParseCallExpression), so a text that fails anywhere calls
// nothing. Failures are recorded, never shown.
class BindingScope {
 public:
  // A bound procedure: receives one text per parameter, first parameter
  // first, and gives a whole number.
  using Procedure = std::function<long long(std::span<const std::string>)>;

  // Binds `procedure` under `name` with `parameter_count` text parameters,
  // replacing an earlier binding of the same name. Returns false and binds
  // nothing when `name` is not of the form of a name in a call text, is
  // longer than 99 characters, or `parameter_count` is below 1.
  bool Bind(std::string_view name, int parameter_count, Procedure procedure);

  // Evaluate: evaluates `expression` and returns its value as text.
  //
  // First clears the errors recorded before. A call of a bound name with 1
  // to parameter-count arguments runs the procedure once with the argument
  // texts, every parameter after the last argument receiving an empty text,
  // and returns its result in decimal. A lone operand returns its text and
  // calls nothing.
  //
  // Any other text returns an empty text and leaves error() at
  // kEvaluationFailed: a text that fails to read or match (kEvaluationFailed
  // alone, whatever name it holds), too many arguments, or a well-formed
  // call of a name that is not bound. For the last, kUnknownName is
  // recorded first together with the name as written, then
  // kEvaluationFailed. A name of over 99 characters is never bound and so
  // fails as an unknown name.
  std::string Evaluate(std::string_view expression);

  // The code of the last error recorded by the last evaluation; 0 for none.
  int error() const { return errors_.empty() ? 0 : errors_.back().code; }

  // Every error recorded by the last evaluation, in order.
  const std::vector<EvaluationError>& errors() const { return errors_; }

 private:
  struct Binding {
    std::string name;
    int parameter_count;
    Procedure procedure;
  };

  const Binding* Find(std::string_view name) const;
  std::string Fail(int code, std::string name = std::string());

  std::vector<Binding> bindings_;
  std::vector<EvaluationError> errors_;
};

}  // namespace vellaro

#endif  // VELLARO_SHELL_BINDING_SCOPE_H_
