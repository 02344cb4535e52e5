// Numeric settings that one command shows and sets together (AT+CNMI, AT+CSMP):
// "AT+CNMI?" lists them all, "AT+CNMI=2,,0" sets those given and keeps the others.
#pragma once

#include <string>
#include <vector>

namespace vorsa::sim::detail {

class NumberGroup {
  public:
    struct Field {
        int* value;
        long max;  // the lowest is 0
    };
    enum class Fault {
        None,
        Shape,  // no arguments, too many, or an argument the line splitter refuses
        Range,  // an argument that is not a number from 0 to its field's maximum
    };
    struct Request {
        Fault fault = Fault::None;
        std::vector<int> values;  // every field's new value, when there is no fault
    };

    explicit NumberGroup(std::vector<Field> fields) : fields_(std::move(fields)) {}

    /// The values in order, separated by commas: "2,1,0,0,0".
    [[nodiscard]] std::string Text() const;
    /// What a set command's arguments ask for, the current value where one is left out.
    [[nodiscard]] Request Parse(const std::string& arguments) const;
    /// Takes the values of a request that has no fault.
    void Store(const std::vector<int>& values);

  private:
    std::vector<Field> fields_;
};

}  // namespace vorsa::sim::detail
