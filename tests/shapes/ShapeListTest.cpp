#include "shapes/ShapeList.h"

#include "shapes/ShapeKinds.h"
#include "tests/shapes/ShapeTestSupport.h"

#include <vector>

namespace {

// Builds numbered rectangles and records which of them were destroyed.
class ShapeListTest : public ShapeTest {
protected:
    class CountedShape : public CShape {
    public:
        CountedShape(int number, std::vector<int>& destroyed)
            : CShape(ShapeKind::kRectangle, 3, 3, 2, CShapeParams{})
            , m_destroyed(destroyed) {
            serial = number;
        }
        ~CountedShape() override { m_destroyed.push_back(serial); }
        const char* ClassName() const override { return "CountedShape"; }

    protected:
        void ConvertMeasures(const CUnitConversion&) override {}

    private:
        std::vector<int>& m_destroyed;
    };

    void TearDown() override {
        ClearResultsList();
        ShapeTest::TearDown();
    }

    void Fill(CShapeList& list, int count) {
        for (int i = 0; i < count; ++i) {
            list.Add(std::make_unique<CountedShape>(i, destroyed));
        }
    }

    static std::vector<int> Serials(const CShapeList& list) {
        std::vector<int> serials;
        for (const auto& shape : list.Shapes()) {
            serials.push_back(shape->serial);
        }
        return serials;
    }

    static std::vector<int> ResultSerials() {
        std::vector<int> serials;
        for (const CShape* shape : g_resultsList.shapes) {
            serials.push_back(shape->serial);
        }
        return serials;
    }

    std::vector<int> destroyed;
};

TEST_F(ShapeListTest, KeepsCreationOrderAndRemovesByPosition) {
    CShapeList list;
    EXPECT_EQ(list.Tail(), nullptr);
    Fill(list, 4);
    list.Add(nullptr);
    EXPECT_EQ(Serials(list), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(list.Tail()->serial, 3);

    EXPECT_TRUE(list.RemoveAt(1));
    EXPECT_EQ(Serials(list), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(destroyed, (std::vector<int>{1}));
    EXPECT_FALSE(list.RemoveAt(3));
    EXPECT_EQ(list.Count(), 3u);

    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(destroyed, (std::vector<int>{1, 0, 2, 3}));
}

TEST_F(ShapeListTest, UndoDestroysTheTailAndRelistsTheRest) {
    CShapeList list;
    Fill(list, 3);
    CShapeList other;
    Fill(other, 1);
    RefillResultsList(other);

    EXPECT_TRUE(list.Undo());
    EXPECT_EQ(destroyed, (std::vector<int>{2}));
    EXPECT_EQ(Serials(list), (std::vector<int>{0, 1}));
    EXPECT_EQ(g_resultsList.source, &list);
    EXPECT_EQ(ResultSerials(), (std::vector<int>{0, 1}));

    EXPECT_TRUE(list.Undo());
    EXPECT_TRUE(list.Undo());
    EXPECT_TRUE(g_resultsList.shapes.empty());

    // Nothing to undo: the results list is left as it is.
    RefillResultsList(other);
    EXPECT_FALSE(list.Undo());
    EXPECT_EQ(g_resultsList.source, &other);
    EXPECT_EQ(g_resultsList.shapes.size(), 1u);
}

TEST_F(ShapeListTest, TheResultsListNeverHoldsADestroyedShape) {
    auto list = std::make_unique<CShapeList>();
    Fill(*list, 3);
    RefillResultsList(*list);
    EXPECT_EQ(ResultSerials(), (std::vector<int>{0, 1, 2}));

    list->RemoveAt(0);
    EXPECT_EQ(ResultSerials(), (std::vector<int>{1, 2}));
    list->RemoveAll();
    EXPECT_TRUE(g_resultsList.shapes.empty());

    Fill(*list, 2);
    RefillResultsList(*list);
    // A list that is not mirrored leaves the results list alone.
    {
        CShapeList other;
        Fill(other, 2);
        other.RemoveAt(0);
        other.RemoveAll();
    }
    EXPECT_EQ(g_resultsList.shapes.size(), 2u);

    list.reset();
    EXPECT_TRUE(g_resultsList.shapes.empty());
    EXPECT_EQ(g_resultsList.source, nullptr);
}

} // namespace
