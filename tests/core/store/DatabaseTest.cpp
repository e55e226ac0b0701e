#include "core/store/Database.hpp"

#include "core/store/SQLiteError.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class DatabaseTest : public ::testing::Test {
protected:
    test::TempDir dir;
    Database db{(dir / "test.sqlite").string()};
};

TEST(DatabaseOpen, MissingFolderFailsWithTheConnectionsCodeAndMessage) {
    test::TempDir dir;
    const std::string path = (dir / "missing" / "test.sqlite").string();
    try {
        Database db(path);
        FAIL() << "opened a file in a missing folder";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), 14); // SQLITE_CANTOPEN
        EXPECT_EQ(error.message(), "unable to open database file");
    }
}

TEST_F(DatabaseTest, ExecuteWithoutArgumentsRunsEveryStatementOtherwiseOnlyTheFirst) {
    db.execute("CREATE TABLE a (x); CREATE TABLE b (x); INSERT INTO a VALUES (1);");
    EXPECT_EQ(db.query("SELECT count(*) FROM sqlite_master WHERE type = 'table'"),
              (std::vector<SQLRow>{{SQLValue(2)}}));

    db.execute("INSERT INTO a VALUES (?); INSERT INTO b VALUES (99);", {SQLValue(2)});
    EXPECT_EQ(db.query("SELECT count(*) FROM a"), (std::vector<SQLRow>{{SQLValue(2)}}));
    EXPECT_EQ(db.query("SELECT count(*) FROM b"), (std::vector<SQLRow>{{SQLValue(0)}}));
    EXPECT_EQ(db.query("SELECT x FROM a ORDER BY x; INSERT INTO b VALUES (1);"),
              (std::vector<SQLRow>{{SQLValue(1)}, {SQLValue(2)}}));
    EXPECT_EQ(db.query("SELECT count(*) FROM b"), (std::vector<SQLRow>{{SQLValue(0)}}));
}

TEST_F(DatabaseTest, ColumnsComeBackByStorageClass) {
    db.execute("CREATE TABLE t (v)");
    db.execute(
        "INSERT INTO t VALUES (42), (2.0), (2.5), ('text'), (x'414243'), (NULL), (-9223372036854775808)");
    const auto rows = db.query("SELECT v FROM t ORDER BY rowid");
    const std::vector<SQLRow> expected = {
        {SQLValue(42)},
        {SQLValue(2.0)},
        {SQLValue(2.5)},
        {SQLValue("text")},
        {SQLValue("ABC")},
        {SQLValue::null()},
        {SQLValue(std::numeric_limits<std::int64_t>::min())},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(rows[1][0].kind(), SQLValue::Kind::real) << "an integral REAL stays real";
    EXPECT_EQ(rows[4][0].kind(), SQLValue::Kind::text) << "a BLOB reads as text";
}

TEST_F(DatabaseTest, EmptyResultsAndCounts) {
    db.execute("CREATE TABLE t (v)");
    EXPECT_TRUE(db.query("SELECT v FROM t").empty());
    EXPECT_EQ(db.query("SELECT count(*) FROM t"), (std::vector<SQLRow>{{SQLValue::integer(0)}}));
}

TEST_F(DatabaseTest, ArgumentsRoundTripIncludingTextWithNul) {
    db.execute("CREATE TABLE t (i, r, s, n)");
    const std::string withNul("a\0b", 3);
    {
        // The bound text is copied: the caller's string may go away before the statement runs.
        std::string temporary = withNul;
        db.execute("INSERT INTO t VALUES (?, ?, ?, ?)",
                   {SQLValue(7), SQLValue(0.25), SQLValue(std::move(temporary)), SQLValue::null()});
    }
    const auto rows = db.query("SELECT i, r, s, n, length(CAST(s AS BLOB)) FROM t");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0],
              (SQLRow{SQLValue(7), SQLValue(0.25), SQLValue(withNul), SQLValue::null(), SQLValue(3)}));
    EXPECT_EQ(rows[0][2].textValue()->size(), 3u);
    EXPECT_EQ(db.query("SELECT count(*) FROM t WHERE s = ?", {SQLValue(withNul)}),
              (std::vector<SQLRow>{{SQLValue(1)}}));
}

TEST_F(DatabaseTest, IllFormedUtf8ReadsWithReplacementCharacters) {
    db.execute("CREATE TABLE t (s TEXT)");
    db.execute("INSERT INTO t VALUES (CAST(x'61ff62c3' AS TEXT))");
    EXPECT_EQ(db.query("SELECT s FROM t"), (std::vector<SQLRow>{{SQLValue("a\xEF\xBF\xBD"
                                                                          "b\xEF\xBF\xBD")}}));
}

TEST_F(DatabaseTest, FailuresCarryTheCodeAndDescribeThemselves) {
    db.execute("CREATE TABLE t (x NOT NULL)");
    try {
        db.execute("INSERT INTO t VALUES (?)", {SQLValue::null()});
        FAIL() << "a NOT NULL violation was accepted";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), 19);
        EXPECT_EQ(error.message(), "NOT NULL constraint failed: t.x");
        EXPECT_EQ(error.description(), "SQLite error 19: NOT NULL constraint failed: t.x");
    }
    EXPECT_STREQ(SQLiteError(0, "unexpected row").what(), "SQLite error 0: unexpected row");

    EXPECT_THROW(db.query("SELEC 1"), SQLiteError);
    try {
        db.query("SELECT ?", {SQLValue(1), SQLValue(2)});
        FAIL() << "a surplus argument was bound";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), 25); // SQLITE_RANGE
    }
    // The connection is still usable after each failure.
    EXPECT_EQ(db.query("SELECT count(*) FROM t"), (std::vector<SQLRow>{{SQLValue(0)}}));
}

TEST_F(DatabaseTest, TransactionRollsBackUnlessCommitted) {
    db.execute("CREATE TABLE t (x)");
    {
        Transaction transaction(db);
        db.execute("INSERT INTO t VALUES (1)");
    }
    EXPECT_EQ(db.query("SELECT count(*) FROM t"), (std::vector<SQLRow>{{SQLValue(0)}}));
    {
        Transaction transaction(db);
        db.execute("INSERT INTO t VALUES (1)");
        transaction.commit();
    }
    EXPECT_EQ(db.query("SELECT count(*) FROM t"), (std::vector<SQLRow>{{SQLValue(1)}}));
}

TEST_F(DatabaseTest, APreparedStatementRunsAgainAfterAFailureWithFreshBindings) {
    db.execute("CREATE TABLE t (k INTEGER UNIQUE, v TEXT)");
    PreparedStatement insert(db, "INSERT INTO t (k, v) VALUES (?, ?)");
    const std::string withNul("a\0b", 3);
    insert.run({std::int64_t{1}, std::string_view(withNul)});
    insert.run({std::int64_t{2}, std::string_view()}); // an empty view stores the empty text, not NULL
    insert.run({std::int64_t{4}, nullptr});
    try {
        insert.run({std::int64_t{1}, std::string_view("again")});
        FAIL() << "a repeated key was inserted";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), 19); // SQLITE_CONSTRAINT
    }
    // Bindings do not carry over from one run to the next: an unbound parameter is NULL.
    insert.run({std::int64_t{3}});
    EXPECT_EQ(db.query("SELECT k, v FROM t ORDER BY k"),
              (std::vector<SQLRow>{{SQLValue(1), SQLValue(withNul)},
                                   {SQLValue(2), SQLValue(std::string())},
                                   {SQLValue(3), SQLValue()},
                                   {SQLValue(4), SQLValue()}}));
}

TEST_F(DatabaseTest, TransactionsBeginAndCommitAgainAfterARollback) {
    db.execute("CREATE TABLE t (x)");
    for (int round = 0; round < 3; ++round) {
        {
            Transaction dropped(db);
            db.execute("INSERT INTO t VALUES (?)", {SQLValue(-1)});
        }
        Transaction kept(db);
        db.execute("INSERT INTO t VALUES (?)", {SQLValue(round)});
        kept.commit();
    }
    EXPECT_EQ(db.query("SELECT x FROM t ORDER BY x"),
              (std::vector<SQLRow>{{SQLValue(0)}, {SQLValue(1)}, {SQLValue(2)}}));
}

TEST(SQLValue, EqualityIsByCaseAndPayload) {
    EXPECT_EQ(SQLValue(1), SQLValue::integer(1));
    EXPECT_NE(SQLValue(1), SQLValue(1.0));
    EXPECT_EQ(SQLValue::null(), SQLValue());
    EXPECT_NE(SQLValue(""), SQLValue::null());
    EXPECT_EQ(SQLValue(0.0), SQLValue(-0.0));
}

} // namespace
} // namespace ostrel
