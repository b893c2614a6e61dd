#include "Arguments.h"

namespace bench {

void Arguments::flag(const std::string& name, std::function<void()> set) {
    flags_[name] = std::move(set);
}

void Arguments::value(const std::string& name, std::function<void(const std::string&)> set) {
    values_[name] = std::move(set);
}

bool Arguments::parse(int argc, char** argv) const {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (const auto flag = flags_.find(option); flag != flags_.end()) {
            flag->second();
            continue;
        }
        const auto value = values_.find(option);
        if (value == values_.end() || i + 1 >= argc) return false;
        value->second(argv[++i]);
    }
    return true;
}

}  // namespace bench
