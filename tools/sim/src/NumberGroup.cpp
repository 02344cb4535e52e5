#include "NumberGroup.h"

#include "CommandText.h"

namespace vorsa::sim::detail {

std::string NumberGroup::Text() const {
    std::string text;
    for (const Field& field : fields_) {
        text += (text.empty() ? "" : ",") + std::to_string(*field.value);
    }
    return text;
}

NumberGroup::Request NumberGroup::Parse(const std::string& arguments) const {
    std::optional<std::vector<AtArgument>> args = ArgumentsUpTo(arguments, fields_.size());
    if (!args) {
        return {Fault::Shape, {}};
    }
    Request request;
    for (size_t i = 0; i < fields_.size(); ++i) {
        request.values.push_back(*fields_[i].value);
        if (i < args->size() && (*args)[i].present) {
            std::optional<long> value = IntArgument(*args, i);
            if (!value || *value > fields_[i].max) {
                return {Fault::Range, {}};
            }
            request.values[i] = static_cast<int>(*value);
        }
    }
    return request;
}

void NumberGroup::Store(const std::vector<int>& values) {
    for (size_t i = 0; i < fields_.size() && i < values.size(); ++i) {
        *fields_[i].value = values[i];
    }
}

}  // namespace vorsa::sim::detail
