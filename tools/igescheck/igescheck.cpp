// igescheck: reads an IGES file with OpenCASCADE's IGES reader, an implementation independent
// of this program, and reports what it sees, one fact per line:
//   read done|failed
//   fail ENTITY TEXT   one line per failure of the check list
//   warning ENTITY TEXT
//   fails N            entities the reader's check list marks as failed
//   warnings N
//   global KEY VALUE   the global section as the reader parsed it: version, date, author,
//                      maxcoord, resolution, unit
//   definition NAME use U subordinate S depth D members N   every subfigure definition (308)
//   note TEXT          every string of every general note (212)
//   roots N            root entities transferred to shapes
//   shapes N           shapes the transfer produced
//   bbox x0 y0 x1 y1   bounding box of everything transferred (mm), when there is any
//   edges N
//   edge x1 y1 x2 y2   end points of every edge in the model's coordinates (mm)
// Exit status 0 when the file was read, no entity failed and at least one root was transferred.

#include <cstdio>

#include <BRepAdaptor_Curve.hxx>
#include <BndLib_Add3dCurve.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <IGESBasic_SubfigureDef.hxx>
#include <IGESData_GlobalSection.hxx>
#include <IGESData_IGESModel.hxx>
#include <IGESDimen_GeneralNote.hxx>
#include <TCollection_HAsciiString.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <IGESControl_Reader.hxx>
#include <Interface_CheckIterator.hxx>
#include <Interface_Static.hxx>
#include <XSControl_WorkSession.hxx>
#include <Message.hxx>
#include <Message_PrinterOStream.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_Vertex.hxx>
#include <gp_Pnt.hxx>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: igescheck FILE.igs\n");
        return 2;
    }
    Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
    IGESControl_Reader reader;
    // Every entity, also those marked as subordinate or blanked.
    reader.SetReadVisible(Standard_False);
    const IFSelect_ReturnStatus status = reader.ReadFile(argv[1]);
    std::printf("read %s\n", status == IFSelect_RetDone ? "done" : "failed");
    if (status != IFSelect_RetDone) return 1;
    // The model's check list: every entity's syntax and semantics as the reader judges them.
    Interface_CheckIterator checks = reader.WS()->ModelCheckList();
    int fails = 0, warnings = 0;
    for (checks.Start(); checks.More(); checks.Next()) {
        const Handle(Interface_Check)& check = checks.Value();
        for (Standard_Integer i = 1; i <= check->NbFails(); ++i)
            std::printf("fail %d %s\n", static_cast<int>(checks.Number()), check->CFail(i));
        for (Standard_Integer i = 1; i <= check->NbWarnings(); ++i)
            std::printf("warning %d %s\n", static_cast<int>(checks.Number()), check->CWarning(i));
        if (check->HasFailed()) ++fails;
        if (check->HasWarnings()) ++warnings;
    }
    const Handle(IGESData_IGESModel) model = reader.IGESModel();
    auto text = [](const Handle(TCollection_HAsciiString)& s) {
        return s.IsNull() ? "" : s->ToCString();
    };
    const IGESData_GlobalSection& global = model->GlobalSection();
    std::printf("global version %d\n", static_cast<int>(global.IGESVersion()));
    std::printf("global date %s\n", text(global.Date()));
    std::printf("global author %s\n", text(global.AuthorName()));
    std::printf("global maxcoord %.9f\n", global.MaxCoord());
    std::printf("global resolution %.3g\n", global.Resolution());
    std::printf("global unit %s\n", text(global.UnitName()));
    for (Standard_Integer i = 1; i <= model->NbEntities(); ++i) {
        const Handle(IGESData_IGESEntity) ent = model->Entity(i);
        if (const auto def = Handle(IGESBasic_SubfigureDef)::DownCast(ent); !def.IsNull())
            std::printf("definition %s use %d subordinate %d depth %d members %d\n",
                        text(def->Name()), static_cast<int>(def->UseFlag()),
                        static_cast<int>(def->SubordinateStatus()),
                        static_cast<int>(def->Depth()), static_cast<int>(def->NbEntities()));
        if (const auto note = Handle(IGESDimen_GeneralNote)::DownCast(ent); !note.IsNull())
            for (Standard_Integer k = 1; k <= note->NbStrings(); ++k)
                std::printf("note %s\n", text(note->Text(k)));
    }
    const Standard_Integer roots = reader.TransferRoots();
    std::printf("fails %d\nwarnings %d\nroots %d\nshapes %d\n", fails, warnings, roots,
                static_cast<int>(reader.NbShapes()));
    const TopoDS_Shape shape = reader.OneShape();
    if (!shape.IsNull()) {
        // Edge by edge through the adaptor, which applies every location (scaled ones too).
        Bnd_Box box;
        for (TopExp_Explorer ex(shape, TopAbs_EDGE); ex.More(); ex.Next()) {
            const BRepAdaptor_Curve curve(TopoDS::Edge(ex.Current()));
            BndLib_Add3dCurve::AddOptimal(curve, 0.0, box);
        }
        if (!box.IsVoid()) {
            Standard_Real x0, y0, z0, x1, y1, z1;
            box.Get(x0, y0, z0, x1, y1, z1);
            std::printf("bbox %.6f %.6f %.6f %.6f\n", x0, y0, x1, y1);
        }
    }
    int edges = 0;
    for (TopExp_Explorer ex(shape, TopAbs_EDGE); ex.More(); ex.Next())
        ++edges;
    std::printf("edges %d\n", edges);
    for (TopExp_Explorer ex(shape, TopAbs_EDGE); ex.More(); ex.Next()) {
        const TopoDS_Edge edge = TopoDS::Edge(ex.Current());
        TopoDS_Vertex v1, v2;
        TopExp::Vertices(edge, v1, v2, Standard_True);
        if (v1.IsNull() || v2.IsNull()) continue;
        const gp_Pnt a = BRep_Tool::Pnt(v1);
        const gp_Pnt b = BRep_Tool::Pnt(v2);
        std::printf("edge %.9f %.9f %.9f %.9f\n", a.X(), a.Y(), b.X(), b.Y());
    }
    return fails == 0 && roots > 0 ? 0 : 1;
}
