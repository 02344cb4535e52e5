#include "vorsa/cli/Output.h"

#include "vorsa/cli/TextEncoding.h"

namespace vorsa::cli {

Output::Output(bool json, bool progress, std::FILE* out, std::FILE* err)
    : json_(json),
      progress_(progress),
      out_(out),
      err_(err),
      start_(std::chrono::steady_clock::now()) {}

void Output::ClearProgressLine() {
    if (progressShown_) {
        std::fputs("\r\033[K", err_);
        std::fflush(err_);
        progressShown_ = false;
    }
}

void Output::Emit(const JsonObject& json, const std::string& text) {
    ClearProgressLine();
    if (json_) {
        std::fprintf(out_, "%s\n", json.Text().c_str());
    } else if (!text.empty()) {
        std::fprintf(out_, "%s\n", DisplayText(text).c_str());
    }
    std::fflush(out_);
}

void Output::Error(int32_t code, const std::string& message) {
    ClearProgressLine();
    if (json_) {
        std::fprintf(out_, "%s\n",
                     JsonObject()
                         .Str("type", "error")
                         .Int("code", code)
                         .Str("message", message)
                         .Text()
                         .c_str());
        std::fflush(out_);
    }
    std::fprintf(err_, "vorsa: error %d: %s\n", static_cast<int>(code),
                 DisplayText(message).c_str());
    std::fflush(err_);
}

void Output::Note(const std::string& text) {
    ClearProgressLine();
    std::fprintf(err_, "vorsa: %s\n", DisplayText(text).c_str());
    std::fflush(err_);
}

void Output::Trace(bool outgoing, const std::string& bytes) {
    ClearProgressLine();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(err_, "[%9.3f] %s %s\n", seconds, outgoing ? "->" : "<-",
                 EscapedBytes(bytes).c_str());
    std::fflush(err_);
}

void Output::Progress(const std::string& line) {
    if (!progress_) {
        return;
    }
    std::fprintf(err_, "\r\033[K%s", DisplayText(line).c_str());
    std::fflush(err_);
    progressShown_ = true;
}

void Output::EndProgress() {
    ClearProgressLine();
}

std::string EscapedBytes(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (byte >= 0x20 && byte < 0x7F) {
                    out += c;
                } else {
                    out += "\\x";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xF];
                }
        }
    }
    return out;
}

}  // namespace vorsa::cli
