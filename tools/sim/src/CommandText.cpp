#include "CommandText.h"

#include <algorithm>
#include <cctype>

namespace vorsa::sim::detail {

std::optional<long> IntArgument(const std::vector<AtArgument>& args, size_t i) {
    if (i >= args.size() || !args[i].present || args[i].quoted) {
        return std::nullopt;
    }
    return ParseInteger(args[i].text);
}

std::optional<long> OnlyNumber(const std::string& arguments, long max) {
    std::optional<std::vector<AtArgument>> args = SplitArguments(arguments);
    std::optional<long> value = args ? IntArgument(*args, 0) : std::nullopt;
    if (!value || *value > max || args->size() != 1) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<AtArgument>> ArgumentsUpTo(const std::string& arguments, size_t most) {
    std::optional<std::vector<AtArgument>> args = SplitArguments(arguments);
    if (!args || args->empty() || args->size() > most) {
        return std::nullopt;
    }
    return args;
}

std::optional<LeadingNumber> ReadLeadingNumber(const std::string& arguments, size_t most) {
    std::optional<std::vector<AtArgument>> args = SplitArguments(arguments);
    std::optional<long> value = args ? IntArgument(*args, 0) : std::nullopt;
    if (!value || args->size() > most) {
        return std::nullopt;
    }
    return LeadingNumber{*value, std::move(*args)};
}

std::optional<ListFilter> TextFilter(const std::string& text) {
    std::string upper = Upper(text);
    if (upper == "ALL") {
        return ListFilter{true, MessageStatus::ReceivedUnread};
    }
    for (int s = 0; s <= 3; ++s) {
        if (upper == StatusText(static_cast<MessageStatus>(s))) {
            return ListFilter{false, static_cast<MessageStatus>(s)};
        }
    }
    return std::nullopt;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace vorsa::sim::detail
