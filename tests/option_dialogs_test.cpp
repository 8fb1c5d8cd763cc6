// What the option dialogs' OK, Apply and Default do, on the scene: the Plot Option's limits
// and refusals, the numbering's radios, the symmetry, the element selection and the user
// colours with the text they are stored as.
#include "render_support.h"

namespace {

using orvtest::SceneBench;

TEST(FieldText, SixSignificantDigitsWithoutTheLocale) {
    std::string shown;
    for (const double v : {1.23456789, 150.0, -0.5, 1e-5, 1234567.0})
        shown += orv::fieldText(v) + " ";
    EXPECT_EQ(shown, "1.23457 150 -0.5 1e-05 1.23457e+06 ");
}

// One OK of the Plot Option dialog over the fields as it opened, edited by the case.
TEST(PlotOption, LimitsAreTheUsersOnlyWhenAFieldChangedAndBadFieldsAreRefused) {
    const std::string kDivisions = "Error: The division number is limited in the range 2 -- 20!";
    const std::string kOrder = "Error: The maximum must be greater than the minimum!";
    const std::string kNumber = "Message: Please enter a number.";
    const struct {
        const char* name;
        void (*edit)(orv::ContourOptions&);
        const char* message;  // "" when taken
        bool userLimits;
    } cases[] = {
        {"unchanged", [](auto&) {}, "", false},
        {"divisions 2", [](auto& o) { o.divisions = 2; }, "", false},
        {"divisions 20 grey", [](auto& o) { o.divisions = 20, o.grey = true; }, "", false},
        {"divisions 1", [](auto& o) { o.divisions = 1; }, kDivisions.c_str(), true},
        {"divisions 21", [](auto& o) { o.divisions = 21; }, kDivisions.c_str(), true},
        {"max", [](auto& o) { o.max = 2.5; }, "", true},
        {"min", [](auto& o) { o.min = -2; }, "", true},
        {"max at min", [](auto& o) { o.max = o.min; }, kOrder.c_str(), true},
        {"max below min", [](auto& o) { o.max = -5; }, kOrder.c_str(), true},
        {"max beyond float", [](auto& o) { o.max = 1e300; }, kNumber.c_str(), true},
    };
    for (const auto& c : cases) {
        SceneBench b(orvtest::planeSquare({0, 2, 0.5f, 0}));
        orv::Scene& s = b.scene;
        b.plot(orv::PlotMode::Contour);
        // A user range before, its maximum with more digits than the field shows.
        ASSERT_TRUE(s.commandSetContour(6, false, {true, 1.23456789f, -1}));
        orv::ContourOptions o = s.contourOptions();
        EXPECT_EQ(o.item, "T");
        EXPECT_EQ(orv::fieldText(o.max), "1.23457");
        // The fields as the dialog shows them and reads them back.
        o.max = std::stod(orv::fieldText(o.max));
        o.min = std::stod(orv::fieldText(o.min));
        c.edit(o);
        const orv::BandValues before = s.bands();
        EXPECT_EQ(s.commandPlotOption(o), !*c.message) << c.name;
        EXPECT_EQ(b.messages.texts(),
                  *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
            << c.name;
        EXPECT_EQ(s.settings().userRange.on, c.userLimits) << c.name;
        if (*c.message) {
            EXPECT_EQ(s.bands().divisions, before.divisions) << c.name;
            EXPECT_EQ(s.bands().maxValue, before.maxValue) << c.name;
            continue;
        }
        EXPECT_EQ(s.bands().divisions, o.divisions) << c.name;
        EXPECT_EQ(s.colours().greyMode, o.grey) << c.name;
        EXPECT_EQ(s.contourOptions().grey, o.grey) << c.name;  // the box opens as it was left
        // Without user limits the bands follow the data again.
        EXPECT_FLOAT_EQ(s.bands().maxValue, c.userLimits ? float(o.max) : 2.0f) << c.name;
    }
}

TEST(Numbering, TheDialogShowsTheLabelsAndItsOkSetsThem) {
    using N = orv::Numbering;
    const struct {
        N stored;
        orv::NumberingOptions shown, entered;
        N result;
    } cases[] = {
        {N::None, {false, false, -1}, {true, true, -1}, N::None},  // no radio keeps the kind
        {N::Material, {false, true, 1}, {false, true, -1}, N::Material},
        {N::Element, {false, true, 0}, {false, false, 0}, N::None},
        {N::Group, {false, true, 2}, {true, true, 1}, N::Material},
        {N::None, {false, false, -1}, {false, true, 2}, N::Group},
        {N::Material, {false, true, 1}, {false, true, 0}, N::Element},
    };
    for (const auto& c : cases) {
        SceneBench b(orvtest::planeSquare({0, 1, 2, 3}));
        ASSERT_TRUE(b.scene.commandSetNumbering(false, c.stored));
        const orv::NumberingOptions o = b.scene.numberingOptions();
        EXPECT_EQ(std::tuple(o.nodeNumbers, o.elementNumbers, o.kind),
                  std::tuple(c.shown.nodeNumbers, c.shown.elementNumbers, c.shown.kind))
            << int(c.stored);
        ASSERT_TRUE(b.scene.commandNumbering(c.entered));
        EXPECT_EQ(b.scene.settings().numbering, c.result) << int(c.stored);
        EXPECT_EQ(b.scene.settings().nodeNumbers, c.entered.nodeNumbers);
    }
}

TEST(Symmetry, ANewSymmetryResetsTheCameraTheSameOneChangesNothing) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}));
    orv::Scene& s = b.scene;
    ASSERT_TRUE(s.commandZoomUp(b.none));
    ASSERT_TRUE(s.commandSetSymmetry(orv::Symmetry::None));
    EXPECT_FLOAT_EQ(s.camera().scale, 1.1f);  // the same symmetry: kept
    s.commandPanStep(orv::PanDirection::Up, b.none);
    ASSERT_TRUE(s.commandSetSymmetry(orv::Symmetry::AboutX));
    EXPECT_EQ(s.settings().symmetry, orv::Symmetry::AboutX);
    EXPECT_FLOAT_EQ(s.camera().scale, 1.0f);
    EXPECT_FLOAT_EQ(s.camera().translation[1], 0.0f);
    SceneBench solid(orvtest::twoHexModel());
    EXPECT_FALSE(solid.scene.commandSetSymmetry(orv::Symmetry::AboutX));
    EXPECT_EQ(solid.messages.texts(),
              std::vector<std::string>{"Message: It is available for 2D plot!"});
}

TEST(Selection, TheDialogsWordsShowHideOrLeaveTheElements) {
    const struct {
        orv::ElementSelection selection;
        bool changes;
        std::vector<int> shown;  // element numbers shown after it
    } cases[] = {
        {{"Select", "Elem", false, "3 7,12"}, true, {3, 7, 12}},
        {{"Reselect", "Elem", false, "1"}, false, {3, 7, 12}},
        {{"Add", "Elem", false, "1"}, false, {3, 7, 12}},
        {{"Select", "Elem", true, "5:8"}, true, {5, 6, 7, 8}},
        {{"Select", "Elem", false, ""}, true, {}},
        {{"All", "Mate", true, "x"}, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {{"Select", "Elem", false, "abc 2"}, true, {2}},    // text reads as 0
        {{"Select", "Elem", true, ":3"}, true, {1, 2, 3}},  // one bound: open on the other side
        {{"Select", "Elem", true, "11:"}, true, {11, 12}},
        {{"Select", "Mate", false, "1"}, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {{"Select", "Loca", false, "1"}, true, {}},
    };
    SceneBench b(orvtest::triangleStrip(12));
    for (const auto& c : cases) {
        EXPECT_EQ(b.scene.commandSelect(c.selection), c.changes) << c.selection.type;
        std::vector<int> shown;
        for (const orv::ElementRecord& r : b.scene.model().elements)
            if (r.selected) shown.push_back(r.number);
        EXPECT_EQ(shown, c.shown) << c.selection.type << " " << c.selection.values;
    }
    EXPECT_TRUE(b.messages.boxes.empty());
}

TEST(Colours, ApplyTakesZeroTo255AndEveryValueIsStoredAsItWasGiven) {
    orvtest::RecordingMessages messages;
    orv::Scene s(messages);
    using C = orv::ColourItem;
    const std::pair<std::array<int, 3>, bool> cases[] = {
        {{0, 0, 0}, true}, {{255, 128, 1}, true}, {{256, 0, 0}, false}, {{0, -1, 0}, false}};
    for (const auto& [rgb, taken] : cases) {
        const std::array<int, 3> before = s.colour(C::AxisColor);
        EXPECT_EQ(s.commandSetColour(C::AxisColor, rgb), taken);
        EXPECT_EQ(s.colour(C::AxisColor), taken ? rgb : before);
    }
    EXPECT_EQ(messages.texts(), std::vector<std::string>(
                                    2, "Orvanta 3.00: Please enter an integer between 0 and 255."));
    // A setting's text is three numbers with any separators; anything else is ignored.
    const std::tuple<const char*, const char*, C, std::array<int, 3>> settings[] = {
        {"ElemNb", "10,20,30", C::ElemNb, {10, 20, 30}},
        {"LabelBkg", "1 2", C::LabelBkg, {51, 51, 150}},
        {"FrameBkg", "255:255\t0", C::FrameBkg, {255, 255, 0}},
        {"NoSuchItem", "1 2 3", C::AxisColor, {255, 128, 1}},
        {"AxisColor", "", C::AxisColor, {255, 128, 1}}};
    for (const auto& [setting, text, item, rgb] : settings) {
        s.applyColourSetting(setting, text);
        EXPECT_EQ(s.colour(item), rgb) << setting << " " << text;
    }
    // A value applied is written and read back unchanged.
    for (int v = 0; v <= 255; ++v) {
        ASSERT_TRUE(s.commandSetColour(C::NodeNb, {v, 255 - v, v}));
        const std::string text = s.colourSettingText(C::NodeNb);
        s.commandSetColour(C::NodeNb, {0, 0, 0});
        s.applyColourSetting(orv::Scene::colourSettingName(C::NodeNb), text);
        ASSERT_EQ(s.colour(C::NodeNb), (std::array<int, 3>{v, 255 - v, v})) << text;
    }
    s.commandDefaultColours();
    std::string defaults;
    for (int i = 0; i < orv::kColourItemCount; ++i)
        defaults += std::string(orv::Scene::colourSettingName(C(i))) + "=" +
                    s.colourSettingText(C(i)) + ";";
    EXPECT_EQ(defaults,
              "FrameBkg=0 0 0;LabelBkg=50 50 150;LabelFont=255 255 255;TitleFont=255 255 255;"
              "AxisColor=255 0 0;NodeNb=255 255 255;ElemNb=255 255 0;");
}

}  // namespace
