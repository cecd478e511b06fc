// Changing a table through the dataset, each change read back by dbfread: edit, post, cancel,
// append, delete and restore with hidden deleted records, 64-bit numbers, field rules, and a
// change the engine refuses (a record another process holds locked).

#include "dataset_testutil.h"

namespace {

using dstest::DatasetTest;
using dstest::Row;

TEST_F(DatasetTest, EditPostCancelAndAppend) {
    dstest::TTestTable& t = OpenFixture();
    std::vector<std::string> ref = dstest::View(path_);

    t.SetRecNo(2);
    t.Edit();
    t.FieldByName("NAME")->SetAsString("Kegelrad \u00c4\u2554"); // Ä and a DOS box corner
    t.FieldByName("PRICE")->SetAsFloat(2.345);
    t.FieldByName("DAY")->SetAsString("15.08.1949");
    t.FieldByName("OK")->SetAsBoolean(true);
    t.Post();
    EXPECT_EQ(t.State(), dsBrowse);
    ref[1] = "live\t" + Row(t);
    EXPECT_EQ(dstest::View(path_), ref);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Kegelrad \u00c4\u2554"); // the DOS page's own
    EXPECT_EQ(t.FieldByName("DAY")->AsString(), "15.08.1949");
    EXPECT_TRUE(Boxes().empty());

    t.SetRecNo(4);
    t.Edit();
    t.FieldByName("QTY")->SetAsInteger(41);
    EXPECT_TRUE(t.Modified());
    t.Cancel();
    EXPECT_EQ(t.FieldByName("QTY")->AsInteger(), 40);
    EXPECT_EQ(dstest::View(path_), ref);

    // Appended values as assigned, numbers without decimals beyond 32 bits included.
    struct NewRow {
        const char* name;
        std::int64_t qty, big;
        double price;
        const char* day;
    };
    for (const NewRow& r : {NewRow{"Planet", 3, 9999999999, 1.5, "01.01.2001"},
                            NewRow{"Sonne", 99999, -99999999999, -99999.99, "31.12.9999"}}) {
        t.Append();
        t.FieldByName("NAME")->SetAsString(r.name);
        t.FieldByName("QTY")->SetAsLargeInt(r.qty);
        t.FieldByName("BIG")->SetAsLargeInt(r.big);
        t.FieldByName("PRICE")->SetAsFloat(r.price);
        t.FieldByName("OK")->SetAsBoolean(true);
        t.FieldByName("DAY")->SetAsString(r.day);
        t.Post();
        EXPECT_EQ(t.FieldByName("BIG")->AsLargeInt(), r.big);
        ref.push_back("live\t" + Row(t));
    }
    EXPECT_EQ(t.RecordCount(), 10);
    EXPECT_EQ(t.RecNo(), 10);
    t.Close(); // a shared table's header count is written when it closes
    EXPECT_EQ(dstest::View(path_), ref);
    t.Open();
    EXPECT_EQ(ref[8], "live\tPlanet\t3\t9999999999\t1.5\tTrue\t2001-01-01");

    // Insert then cancel returns to the record that was current.
    t.SetRecNo(3);
    t.Insert();
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "");
    t.Cancel();
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_EQ(t.RecordCount(), 10);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(DatasetTest, DeleteAndRestoreWithHiddenDeletedRecords) {
    dstest::TTestTable& t = OpenFixture(true);
    t.SetRecNo(3);
    t.Delete();
    EXPECT_EQ(t.RecNo(), 4); // the next visible record
    int visible = 0;
    for (t.First(); !t.Eof(); t.Next())
        ++visible;
    EXPECT_EQ(visible, 6);
    t.Last();
    t.Delete();
    EXPECT_EQ(t.RecNo(), 7); // back to the last visible one
    std::vector<std::string> view = dstest::View(path_);
    EXPECT_EQ(view[2].substr(0, 10), "gone\tWelle");
    EXPECT_EQ(view[7].substr(0, 15), "gone\tZahnstange");

    t.SetHideDeletedRecs(false);
    t.SetRecNo(3);
    EXPECT_TRUE(t.IsDeleted());
    t.SetIsDeleted(false);
    EXPECT_FALSE(t.IsDeleted());
    EXPECT_EQ(t.RecNo(), 3);
    view = dstest::View(path_);
    EXPECT_EQ(view[2].substr(0, 10), "live\tWelle");
    EXPECT_EQ(view[5].substr(0, 13), "gone\tKupplung");
    t.SetHideDeletedRecs(true);
    EXPECT_EQ(t.RecNo(), 3);
    t.Next();
    t.Next();
    EXPECT_EQ(t.RecNo(), 5);
    t.Next();
    EXPECT_EQ(t.RecNo(), 7);
}

TEST_F(DatasetTest, FieldRulesAndFailuresLeaveTheDatasetUsable) {
    dstest::TTestTable& t = OpenFixture();
    struct Refusal {
        std::function<void()> act;
        const char* message;
    };
    TField* qty = t.FieldByName("QTY");
    const Refusal browse[] = {
        {[&] { qty->SetAsInteger(5); }, "Dataset not in edit or insert mode"},
        {[&] { t.FieldByName("NAME")->Clear(); }, "Dataset not in edit or insert mode"},
    };
    for (const Refusal& r : browse) {
        try {
            r.act();
            ADD_FAILURE() << r.message;
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), r.message);
        }
    }
    qty->OnValidate = [](TField& f) {
        if (f.AsInteger() > 100) DatabaseError("At most 100 pieces");
    };
    t.FieldByName("BIG")->SetReadOnly(true);
    t.Edit();
    const Refusal editing[] = {
        {[&] { qty->SetAsInteger(101); }, "At most 100 pieces"},
        {[&] { t.FieldByName("BIG")->SetAsLargeInt(1); }, "Field 'BIG' cannot be modified"},
        {[&] { qty->SetAsFloat(3e9); },
         "3000000000 is not a valid value for field 'QTY'. The allowed range is -2147483648 to "
         "2147483647"},
        {[&] { t.FieldByName("DAY")->SetAsString("30.02.2024"); },
         "'30.02.2024' is not a valid date"},
        {[&] { t.FieldByName("OK")->SetAsString("maybe"); },
         "'maybe' is not a valid boolean value for field 'OK'"},
    };
    for (const Refusal& r : editing) {
        try {
            r.act();
            ADD_FAILURE() << r.message;
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), r.message);
        }
    }
    EXPECT_EQ(qty->AsInteger(), 12);
    qty->SetAsInteger(100);
    t.FieldByName("DAY")->SetAsString("  .  .    ");
    EXPECT_TRUE(t.FieldByName("DAY")->IsNull());
    t.Post();
    EXPECT_EQ(dstest::View(path_)[0], "live\tZahnrad\t100\t9999999999\t12.5\tTrue\t");

    // Opening failures raise and leave the dataset closed; no engine box is shown.
    dstest::TTestTable other;
    EXPECT_THROW(other.Open(), EDatabaseError);
    try {
        other.SetDbfFileName((dir_ / "missing").string());
        other.Open();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Dataset error: Error # 2 (File not found)", 0), 0u)
            << e.what();
    }
    EXPECT_FALSE(other.Active());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(DatasetTest, PostRefusedByTheEngineKeepsTheEdit) {
    dstest::TTestTable& t = OpenFixture();
    const std::vector<std::string> ref = dstest::View(path_);
    std::vector<std::string> errors;
    t.OnPostError = [&](TDataSet&, EDatabaseError& e, TDataAction&) { errors.push_back(e.what()); };
    t.SetRecNo(2);
    {
        dstest::LockHolder other(path_, 2);
        ASSERT_TRUE(other.Locked());
        t.Edit();
        t.FieldByName("NAME")->SetAsString("Stirnrad");
        t.FieldByName("BIG")->SetAsLargeInt(4242424242);
        EXPECT_THROW(t.Post(), EDatabaseError);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find("Record not locked"), std::string::npos) << errors[0];
        EXPECT_EQ(t.State(), dsEdit);
        EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Stirnrad");
        EXPECT_EQ(t.FieldByName("BIG")->AsLargeInt(), 4242424242);
        EXPECT_EQ(dstest::View(path_), ref);
        // A refused delete leaves the record too.
        t.Cancel();
        EXPECT_THROW(t.Delete(), EDatabaseError);
        EXPECT_EQ(t.State(), dsBrowse);
        EXPECT_EQ(t.RecNo(), 2);
        EXPECT_EQ(dstest::View(path_), ref);
        t.Edit();
        t.FieldByName("NAME")->SetAsString("Stirnrad");
    }
    t.Post(); // the other process is gone: the same edit goes through
    EXPECT_EQ(dstest::View(path_)[1].substr(0, 14), "live\tStirnrad\t");
    EXPECT_TRUE(Boxes().empty());
}

// Zero and false are values the user gave: other programs must read them as such, not as
// blanks (NULL); a field nobody touched keeps its blank, also in a record posted twice.
TEST_F(DatasetTest, AssignedZerosAreStoredAsValues) {
    dstest::TTestTable& t = OpenFixture();
    t.Append();
    t.FieldByName("NAME")->SetAsString("Leer");
    t.Post();
    t.Append();
    t.FieldByName("NAME")->SetAsString("Null");
    for (const char* n : {"QTY", "BIG", "PRICE"})
        t.FieldByName(n)->SetAsInteger(0);
    t.FieldByName("OK")->SetAsBoolean(false);
    t.Post();
    t.SetRecNo(9);
    t.Edit();
    t.FieldByName("QTY")->SetAsInteger(0);
    ASSERT_EQ(t.Lookup("NAME", {std::string("Lager")}, "QTY").size(), 1u); // the cursor moves
    t.Post();
    t.SetRecNo(4);
    t.Edit();
    t.FieldByName("QTY")->SetAsInteger(0);
    t.FieldByName("OK")->SetAsBoolean(false);
    t.Post();
    t.Close();
    const std::vector<std::string> view = dstest::View(path_);
    ASSERT_EQ(view.size(), 10u);
    EXPECT_EQ(view[3], "live\tLager\t0\t5\t99.99\tFalse\t2026-01-15");
    EXPECT_EQ(view[8], "live\tLeer\t0\t\t\t\t");
    EXPECT_EQ(view[9], "live\tNull\t0\t0\t0.0\tFalse\t");
}

} // namespace
