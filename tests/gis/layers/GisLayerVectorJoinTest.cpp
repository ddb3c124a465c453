// A table joined to a layer: its columns answer names that are no field, walked forward in key order.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "gis/layers/GisLayerVector.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

class MemoryTable : public TGIS_JoinTable {
public:
    std::vector<std::map<std::string, Variant>> Rows;
    size_t At = 0;
    int Rewinds = 0;
    int Steps = 0;

    void Rewind() override {
        At = 0;
        ++Rewinds;
    }
    void Next() override {
        ++At;
        ++Steps;
    }
    bool Eof() override { return At >= Rows.size(); }
    Variant Value(const std::string& column) override {
        if (Eof()) return Variant();
        const auto it = Rows[At].find(column);
        return it == Rows[At].end() ? Variant() : it->second;
    }
};

class Join : public ::testing::Test {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 200, 200);
        layer = new TGIS_LayerVector;
        v.Add(layer);
        layer->AddField("CODE", gisFieldNumber, 6, 0);
        for (int code : {10, 20, 30, 40}) {
            TGIS_Shape* s = layer->CreateShape(gisShapeTypePoint);
            s->AddPoint({double(code), double(code)});
            s->SetField("CODE", Variant(code));
        }
        table = std::make_shared<MemoryTable>();
        for (int key : {5, 10, 30, 30, 50})
            table->Rows.push_back({{"KEY", Variant(key)}, {"NAME", Variant("n" + std::to_string(key))}});
    }

    struct App {
        App() { UiTest::Init(); }
    } app;
    TGIS_Viewer v{nullptr};
    TGIS_LayerVector* layer = nullptr;
    std::shared_ptr<MemoryTable> table;
};

TEST_F(Join, ColumnsOfTheJoinedRecordAnswerNamesThatAreNoField) {
    layer->JoinTable = table;
    layer->SetJoinPrimary("CODE");
    layer->SetJoinForeign("KEY");
    layer->MoveFirst();
    EXPECT_EQ(table->Rewinds, 1);
    std::vector<std::string> names;
    for (auto& s : layer->Shapes) names.push_back(s->GetField("NAME").AsString());
    // 20 and 40 have no record; the walk stops on 30 and then runs out.
    EXPECT_EQ(names, (std::vector<std::string>{"n10", "", "n30", ""}));
    EXPECT_LE(table->Steps, 5);
    // Fields of the layer never go to the table.
    EXPECT_EQ(layer->Shapes[1]->GetField("CODE").AsInteger(), 20);
    // A rewind lets the walk start again.
    layer->MoveFirst();
    EXPECT_EQ(layer->Shapes[0]->GetField("name").IsEmpty(), true);  // columns keep their case
    EXPECT_EQ(layer->Shapes[0]->GetField("NAME").AsString(), "n10");
}

TEST_F(Join, AMissingTableSwitchesTheJoinOffAndAPrimaryKeyThatIsNoFieldFindsNothing) {
    layer->SetJoinPrimary("CODE");
    layer->SetJoinForeign("KEY");
    EXPECT_FALSE(layer->Shapes[0]->LocateJoinRecord());
    EXPECT_FALSE(layer->JoinActive);

    layer->JoinTable = table;
    layer->SetJoinPrimary("NOFIELD");
    layer->MoveFirst();
    EXPECT_FALSE(layer->Shapes[0]->LocateJoinRecord());
    EXPECT_TRUE(layer->Shapes[0]->GetField("NAME").IsEmpty());
}

TEST_F(Join, KeysTravelThroughTheConfiguration) {
    TGIS_Ini ini(nullptr, "");
    layer->SetJoinPrimary("CODE");
    layer->SetJoinForeign("KEY");
    layer->WriteConfigOptions(ini);
    TGIS_LayerVector other;
    other.ReadConfigOptions(ini);
    EXPECT_EQ(other.JoinPrimary, "CODE");
    EXPECT_EQ(other.JoinForeign, "KEY");
    EXPECT_TRUE(other.JoinActive);
}

}  // namespace
