#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Sets environment variables for one scope and gives back the old values (or
// their absence) when it ends, so that one test's desktop never leaks into the
// next test of the same program.
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

    void set(const std::string &name, const std::string &value)
    {
        save(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    void unset(const std::string &name)
    {
        save(name);
        ::unsetenv(name.c_str());
    }

private:
    void save(const std::string &name)
    {
        const char *old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};
