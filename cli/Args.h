#pragma once
/**
 * @file Args.h
 * @brief A small "--name value" argument reader for the command-line tool's sub-commands.
 */
#include <optional>
#include <string>
#include <vector>

class Args {
public:
    /** Splits args into options (those named in withValue take the next word) and positionals. */
    Args(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
         const std::vector<std::string>& flags);

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    bool Has(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return positional_; }

private:
    std::vector<std::pair<std::string, std::string>> options_;
    std::vector<std::string> positional_;
    std::string error_;
};

/** Strict number parsing: the whole word must be a finite number. */
bool ParseDouble(const std::string& s, double& out);
bool ParseInt(const std::string& s, long long& out);
/** "WxH" with both positive. */
bool ParseSize(const std::string& s, int& w, int& h);
/** Comma-separated numbers, exactly n of them. */
bool ParseList(const std::string& s, size_t n, std::vector<double>& out);
