// The installed-update catalogue: the management-service calls the update query makes,
// answered from the system's package database. An installed update is an installed
// package; its identifier is the package name, in the order of the database.
//
// The catalogue answers exactly two queries, in the query language "WQL":
//   SELECT HotFixID FROM Win32_QuickFixEngineering
//   SELECT HotFixID FROM Win32_QuickFixEngineering WHERE HotFixID = '<id>'
// The identifier is compared exactly; it cannot hold a single quote, so a quote inside
// it leaves a malformed query, which is refused. Keywords ignore ASCII case.
//
// The database is read once per query, at most kMaxPackageDatabaseBytes of it; a
// larger or unreadable database refuses the query, so a list is never cut short.
// Objects are owned by whoever receives them; dropping one releases it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kesmora::platform {

inline constexpr std::size_t kMaxPackageDatabaseBytes = 64u * 1024u * 1024u;

// One row of a query result.
class UpdateObject {
public:
    explicit UpdateObject(std::u16string hotFixId) : hotFixId_(std::move(hotFixId)) {}
    // True and the value for the property "HotFixID"; false for any other name.
    bool Get(const char16_t* property, std::u16string* value) const;

private:
    std::u16string hotFixId_;
};

// The rows of one query, handed out one at a time.
class UpdateEnumerator {
public:
    explicit UpdateEnumerator(std::vector<std::u16string> ids) : ids_(std::move(ids)) {}
    // Up to `count` rows (the routine asks for 1); *returned is how many came. False
    // when none did. The rows are in memory, so the wait limit never matters.
    bool Next(long timeoutMs, unsigned long count, std::unique_ptr<UpdateObject>* object,
              unsigned long* returned);

private:
    std::vector<std::u16string> ids_;
    std::size_t next_ = 0;
};

class UpdateServices {
public:
    // The rows of the query, or null when the language is not "WQL", the query is not
    // one of the two above, or the database cannot be read.
    std::unique_ptr<UpdateEnumerator> ExecQuery(const char16_t* language, const char16_t* query,
                                                long flags) const;
};

class UpdateLocator {
public:
    // Services for the namespace "root\CIMV2" (ASCII case ignored); null for any other.
    std::unique_ptr<UpdateServices> ConnectServer(const char16_t* nameSpace) const;
};

// The locator; null on a thread where COM is not initialised, like the component it
// stands in for.
std::unique_ptr<UpdateLocator> CreateUpdateLocator();

// Test seam: the database file read by queries (default /var/lib/dpkg/status). An
// empty path restores the default.
void SetPackageDatabasePath(const std::string& path);

// The installed package names of a database text (paragraphs of "Field: value" lines,
// a package counting as installed when the last word of its Status is "installed").
std::vector<std::string> InstalledPackageNames(const std::string& database);

} // namespace kesmora::platform
