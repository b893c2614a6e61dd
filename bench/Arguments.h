#pragma once

#include <functional>
#include <map>
#include <string>

// A benchmark's command line: flags, and options that take one value.
namespace bench {

class Arguments {
public:
    void flag(const std::string& name, std::function<void()> set);
    void value(const std::string& name, std::function<void(const std::string&)> set);
    // False on an unknown option, or one that lacks its value.
    bool parse(int argc, char** argv) const;

private:
    std::map<std::string, std::function<void()>> flags_;
    std::map<std::string, std::function<void(const std::string&)>> values_;
};

}  // namespace bench
