#pragma once
/**
 * @file Args.h
 * @brief The parsed words of one sub-command, read against its option table (cli/Options.h).
 */
#include "cli/Options.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cli {

class Args {
public:
    /**
     * Splits args by the table: "--name value", "--name=value", "-n value", "-qv" (one-letter
     * flags together); "--" makes every later word an operand, and "-" alone is an operand
     * (standard input or output). A word the table does not know is an error naming it.
     */
    Args(const std::vector<std::string>& args, std::span<const OptionSpec> options,
         std::span<const OptionSpec> common = CommonOptions());

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    bool Has(const std::string& name) const;
    /** The last value given for the option. */
    std::optional<std::string> Value(const std::string& name) const;
    /** Every value given for the option, in order. */
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

}  // namespace cli
