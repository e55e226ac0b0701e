#include "support/RawDatabase.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

#include <sqlite3.h>

namespace ostrel::test {

RawDatabase::RawDatabase(const std::filesystem::path& path) {
    if (sqlite3_open(path.c_str(), &handle_) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(handle_);
        sqlite3_close(handle_);
        throw std::runtime_error("open " + path.string() + ": " + message);
    }
}

RawDatabase::~RawDatabase() {
    sqlite3_close(handle_);
}

void RawDatabase::exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error != nullptr ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error(sql + ": " + message);
    }
}

std::string RawDatabase::scalar(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(handle_));
    }
    std::string result;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        if (const unsigned char* text = sqlite3_column_text(statement, 0)) {
            result = reinterpret_cast<const char*>(text);
        }
    }
    sqlite3_finalize(statement);
    return result;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

unsigned permissionsOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        throw std::runtime_error("lstat " + path.string());
    }
    return info.st_mode & 07777;
}

} // namespace ostrel::test
