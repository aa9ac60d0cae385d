// The bundled sample world animates: it holds an interpolator of each kind,
// and every interpolator sends a different value a second later.
#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "event_world.h"
#include "scene/geometry_nodes.h"
#include "scene/interpolator_nodes.h"
#include "scene/sensor_nodes.h"
#include "shell/test_support.h"

namespace {

class SampleAnimation : public EventWorld {};

// The output of an interpolator as text, to compare two moments.
std::string output(const X3DNode& node) {
    auto text = [](std::initializer_list<float> values) {
        std::string s;
        for (float v : values) s += std::to_string(v) + " ";
        return s;
    };
    switch (node.nodeType) {
    case NodeType::ScalarInterpolator:
        return text({static_cast<const nScalarInterpolator&>(node).value_changed.value});
    case NodeType::PositionInterpolator: {
        const Vec3f& v = static_cast<const nPositionInterpolator&>(node).value_changed.value;
        return text({v.x, v.y, v.z});
    }
    case NodeType::ColorInterpolator: {
        const Color4f& c = static_cast<const nColorInterpolator&>(node).value_changed.value;
        return text({c.r, c.g, c.b});
    }
    case NodeType::OrientationInterpolator: {
        const Rotation& r = static_cast<const nOrientationInterpolator&>(node).value_changed.value;
        return text({r.x, r.y, r.z, r.angle});
    }
    default: {
        std::string s;
        for (const Vec3f& p : static_cast<const nCoordinateInterpolator&>(node).value_changed.value)
            s += text({p.x, p.y, p.z});
        return s;
    }
    }
}

TEST_F(SampleAnimation, EveryInterpolatorKindMoves) {
    const std::string world = foundation_test::readFile(std::string(ORVELLA_SOURCE_DIR) + "assets/sample.wrl");
    ASSERT_FALSE(world.empty());
    load(world);
    auto* hop = named<nTimeSensor>(u"HopClock");
    ASSERT_NE(hop, nullptr);
    hop->startTime.setValue(1.0);  // what a tap on the pyramid sends

    std::set<int32_t> kinds;
    std::vector<std::string> before;
    frame(1.3);
    for (X3DNode* node : nodeRegistry)
        if (node->category == NodeCategory::Interpolator) before.push_back(output(*node));
    const std::string flag = output(*named<nCoordinateInterpolator>(u"FlagWave"));
    frame(1.7);
    std::size_t i = 0;
    for (X3DNode* node : nodeRegistry) {
        if (node->category != NodeCategory::Interpolator) continue;
        kinds.insert(node->nodeType);
        EXPECT_NE(output(*node), before[i++]) << std::string(node->name.begin(), node->name.end());
    }
    EXPECT_EQ(kinds.size(), 5u);
    // The flag's mesh holds what its interpolator sent.
    const auto* points = named<nCoordinate>(u"FlagPoints");
    EXPECT_NE(output(*named<nCoordinateInterpolator>(u"FlagWave")), flag);
    ASSERT_EQ(points->point.value.count, 6);
    EXPECT_EQ(points->point.value[1].z, named<nCoordinateInterpolator>(u"FlagWave")->value_changed.value[1].z);
}

}  // namespace
