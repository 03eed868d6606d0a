#include "shell/binding_scope.h"

#include <optional>

#include "runtime/error_codes.h"
#include "runtime/text.h"
#include "shell/call_parser.h"

namespace vellaro {
namespace {

// The longest name that can be bound.
constexpr std::size_t kMaxNameLength = 99;

char FoldCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

}  // namespace

bool BindingScope::Bind(std::string_view name, int parameter_count,
                        Procedure procedure) {
  if (name.size() > kMaxNameLength || !IsNameToken(name) ||
      parameter_count < 1) {
    return false;
  }
  Binding binding{std::string(name), parameter_count, std::move(procedure)};
  for (Binding& existing : bindings_) {
    if (SameName(existing.name, name)) {
      existing = std::move(binding);
      return true;
    }
  }
  bindings_.push_back(std::move(binding));
  return true;
}

std::string BindingScope::Evaluate(std::string_view expression) {
  errors_.clear();
  std::optional<CallExpression> parsed = ParseCallExpression(expression);
  if (!parsed) return Fail(kEvaluationFailed);
  if (!parsed->is_call) return parsed->value;

  const Binding* binding = Find(parsed->name);
  if (binding == nullptr) {
    Fail(kUnknownName, parsed->name);
    return Fail(kEvaluationFailed);
  }
  std::vector<std::string>& texts = parsed->arguments;
  std::size_t parameter_count =
      static_cast<std::size_t>(binding->parameter_count);
  if (texts.size() > parameter_count) return Fail(kEvaluationFailed);
  texts.resize(parameter_count);
  return Decimal(binding->procedure(texts));
}

const BindingScope::Binding* BindingScope::Find(std::string_view name) const {
  for (const Binding& binding : bindings_) {
    if (SameName(binding.name, name)) return &binding;
  }
  return nullptr;
}

std::string BindingScope::Fail(int code, std::string name) {
  errors_.push_back(EvaluationError{code, std::move(name)});
  return std::string();
}

}  // namespace vellaro
