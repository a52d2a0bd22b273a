// DRAW: lines, rectangles, polygons and ellipses in one colour.

#include "image/shapes.h"
#include "scene/scene_source.h"

ImagePtr CSceneDraw::MakePicture(int32_t, RenderContext*) {
    const DrawSettings& s = Settings();
    return ImagePtr(render_shapes_image(s.width, s.height, s.shapes, s.color, s.bgcolor));
}

namespace {

void dump_shape(CDumpWriter& out, const DrawShape& shape) {
    out.WriteText("");
    out.WriteText(shape.kind == DrawShape::LINE      ? "\tLINE"
                  : shape.kind == DrawShape::POLYGON ? "\tPOLYGON"
                                                     : "\tELLIPSE");
    out.WriteText("\t{");
    if (shape.kind == DrawShape::ELLIPSE) {
        out.WriteLine("\t\tREGION\t%d\t%d\t%d\t%d", shape.region.left, shape.region.top,
                      shape.region.right, shape.region.bottom);
    } else {
        for (const auto& point : shape.points) out.WriteLine("\t\tPOINT\t%d\t%d", point.x, point.y);
    }
    out.WriteLine("\t\tWIDTH\t%d", shape.width);
    if (shape.kind != DrawShape::LINE && shape.fill) out.WriteText("\t\tFILL");
    if (shape.kind == DrawShape::ELLIPSE) out.WriteLine("\t\tANGLE\t%d", shape.angle);
    out.WriteText("\t}");
}

}  // namespace

int CSceneDraw::DescribeFrame(int32_t frame, int, FrameDescription& list) {
    DescribeSelf(frame, list);
    return 0;
}

int CSceneDraw::Dump(CDumpWriter& out) {
    const DrawSettings& s = Settings();
    DumpHead(out);
    out.WriteLine("\tSIZE\t\t%d\t%d", s.width, s.height);
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d\t%d", s.color.red, s.color.green, s.color.blue,
                  s.color.alpha);
    for (const DrawShape& shape : s.shapes) dump_shape(out, shape);
    out.WriteText("}");
    return 0;
}
