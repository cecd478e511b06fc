// The command dataset: dBASE-style commands on the work area, field access by name, the
// read-only switch, and a closed dataset refusing commands without ending the program.

#include "dataset_testutil.h"

namespace {

using dstest::DatasetTest;

TEST_F(DatasetTest, CommandsOnTheWorkArea) {
    dstest::Reference("make '" + path_ + "'");
    const std::string other = (dir_ / "other.dbf").string();
    std::filesystem::copy_file(path_, other);
    std::filesystem::copy_file(dir_ / "parts.dbt", dir_ / "other.dbt");
    dstest::TTestTable t;
    t.SetName("Parts");
    t.SetDbfFileName(path_);
    t.Exclusive = true;
    // A closed dataset refuses commands with a message (the program goes on).
    try {
        t.FieldCount();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("Database is not open [Parts.FieldCount]"),
                  std::string::npos)
            << e.what();
    }
    int scrolled = 0;
    t.Open();
    t.ChangeNotify1 = [&] { ++scrolled; };
    EXPECT_EQ(t.FieldCount(), 7);
    EXPECT_EQ(t.Field(2), "QTY");
    EXPECT_EQ(t.FieldLen(3), 12);

    t.Go(5);
    EXPECT_EQ(t.RecNo(), 5);
    EXPECT_THROW(t.Go(99), EDatabaseError); // the dataset stays where it was
    EXPECT_EQ(t.RecNo(), 5);
    t.Next();
    EXPECT_EQ(t.RecNo(), 6);
    t.Search(1, "schnecke", true);
    EXPECT_EQ(t.RecNo(), 7);
    t.Search(1, "nowhere", true);
    EXPECT_EQ(t.RecNo(), 7);
    EXPECT_EQ(t.SField(2), "    2");
    EXPECT_EQ(scrolled, 3); // Go, Next, the search that found

    t.SetFieldStrByName("NAME", "Schnecke 2");
    t.SetFieldIntByName("QTY", 4);
    t.SetFieldFloatByName("PRICE", 12.25);
    t.SetFieldBoolByName("OK", true);
    EXPECT_EQ(t.State(), dsEdit);
    EXPECT_TRUE(t.GetFieldBoolByName("OK"));
    EXPECT_THROW(t.SetFieldIntByName("NOSUCHFIELD", 1), EDatabaseError);
    t.Post();

    t.Go(1);
    t.SetFieldIntByName("QTY", 13);
    t.AppendRec(); // the pending edit is posted, not dropped
    EXPECT_EQ(t.RecordCount(), 9);
    EXPECT_EQ(t.RecNo(), 9);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "");
    t.Go(2);
    t.AppendFrom(other);
    EXPECT_EQ(t.RecordCount(), 17);
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_TRUE(t.Pack()); // the deleted records of both tables go
    EXPECT_EQ(t.RecordCount(), 15);

    t.ReadOnly = true;
    EXPECT_FALSE(t.CanModify());
    EXPECT_THROW(t.Edit(), EDatabaseError);
    t.Close();
    const std::vector<std::string> view = dstest::View(path_);
    ASSERT_EQ(view.size(), 15u);
    EXPECT_EQ(view[0].substr(0, 16), "live\tZahnrad\t13\t");
    EXPECT_EQ(view[5], "live\tSchnecke 2\t4\t9\t12.25\tTrue\t2031-07-04");
    EXPECT_EQ(view[7].substr(0, 6), "live\t\t");
    EXPECT_EQ(view[14].substr(0, 15), "live\tZahnstange");
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
