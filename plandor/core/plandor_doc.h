#pragma once
// Plandor's document: the drawing (polylines), the cut-order links, the
// settings of the cut, and the DXF import and export.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "dxf_contours.h"
#include "gcode_writer.h"
#include "plan_tables.h"
#include "point_file.h"
#include "settings_store.h"

namespace plandor {

class CCmgFile;

inline constexpr int kScrollSize = 20000;  // view extent, tenths of a mm

// The settings a user's store without them gives (lengths in hundredths of a mm).
inline constexpr int kDefaultRadius = 100;
inline constexpr int kDefaultTabWidth = 500;
inline constexpr int kDefaultTabStep = 500;
inline constexpr int kDefaultBoardWidth = 100;
inline constexpr int kDefaultBoardLength = 1000;

inline constexpr const char* kNotCmgMessage = "Le fichier n'est pas un CMG";
inline constexpr const char* kSavePromptText = "Vos modifications vont être perdues\nEnregistrer ?";
inline constexpr const char* kSavePromptCaption = "ATTENTION";
inline constexpr const char* kUntitledName = "sans nom.cmg";

// What the window must ask before the document is emptied (New, Open, closing).
enum class SavePrompt {
    None,        // nothing to ask
    SaveToPath,  // ask; Yes saves to the document's path
    SaveAs,      // ask; Yes opens the save dialog on "sans nom.cmg"
};

// The document is a plan: its tables are those a .cmg file holds.
class CPlandorDoc : public PlanTables {
  public:
    // Reads the five settings from the user's store.
    explicit CPlandorDoc(const platform::SettingsStore& settings);
    CPlandorDoc(const CPlandorDoc&) = delete;
    CPlandorDoc& operator=(const CPlandorDoc&) = delete;
    virtual ~CPlandorDoc() = default;

    // Sections FRAISE, ATTACHE, PLANCHE and GCODE (read_gcode_settings);
    // lengths in hundredths of a mm. A
    // stored value that is not an integer or lies outside what the
    // preferences dialog accepts gives the default, with a French line in
    // settingsNotices.
    void read_settings(const platform::SettingsStore& settings);
    std::vector<std::string> settingsNotices;

    // Clears the selected flag of every polyline and every link.
    void deselect_all();

    // Takes polyline r out of the array: later polylines move down by one and
    // every link index above r decreases. Links that refer to r itself are
    // left as they are. Gives the removed polyline to the caller (nullptr
    // when r is not a polyline of the document).
    std::unique_ptr<common::CPolyline> remove_polyline(int r);

    // Deletes every polyline and link; the view resets at its next paint.
    void empty();

    // Appends to the drawing or to the links; false when the table is full.
    bool add_polyline(std::unique_ptr<common::CPolyline> polyline);
    bool add_link(std::unique_ptr<CLiaison> link);

    // Joins polyline `other` to the end of polyline `into`: `other` leaves the
    // array and lives on as a member, `into` stays the selected one and its
    // new index goes to `joined_index`. Refused, with nothing changed, for a
    // linked polyline or when the join itself is refused.
    [[nodiscard]] bool join_polylines(int into, int other, std::string& error,
                                      int* joined_index = nullptr);

    // Explodes polyline `index`: its members come back at the end of the
    // array. Refused for a linked polyline, one without members, or when the
    // array cannot take them.
    [[nodiscard]] bool explode_polyline(int index, std::string& error);

    // Makes point `vertex` the start (and the end) of the closed outline
    // `index` (ends within 0.01 mm, 4 points or more): the points keep their
    // order round the outline, the old closing point is dropped and the new
    // start is repeated at the end. The offset contour and its tabs are
    // discarded, as for every change of the points. Refused, with nothing
    // changed, for a linked polyline, a group (its explode takes back the
    // points from the start) or an open one.
    [[nodiscard]] bool rotate_outline_start(int index, int vertex, std::string& error);

    // Imports the POLYLINE and LINE entities of a DXF file after the current
    // polylines (at most 199 in all) and sets content loaded, also when the
    // file cannot be read. Refused when content is already loaded: an import
    // goes only into a fresh document.
    // With a `report`, says in French what was read, passed over, cut at
    // 100 vertices and left out.
    [[nodiscard]] bool import_dxf(const std::string& path, std::string& error,
                                  std::string* report = nullptr);

    // The import of the drawings today's CAD programs write: every curve of
    // the model space (lines, lightweight and 2-D polylines with their arcs,
    // arcs, circles, ellipses, splines, inserted blocks) flattened within
    // 0.01 mm, in mm whatever the drawing's units, pieces whose ends meet
    // chained into contours, each contour fitted to 100 points, at most 199
    // polylines in all. Goes only into a fresh document; a file that cannot
    // be read leaves the document as it was. `error` says why it failed,
    // `report` (when given) is the French text of the result and `details`
    // the contours and counts themselves.
    [[nodiscard]] bool import_dxf_curves(const std::string& path, std::string& error,
                                         std::string* report = nullptr,
                                         common::CurveImport* details = nullptr);

    // Imports a point file (.dat) at its real size, placed and turned as
    // `placement` says, after the current polylines (at most 199 in all):
    // each outline of more than 100 points is simplified to fit, with its
    // largest deviation in `report`. A file that cannot be read, a placement
    // that is refused or a plan without room for the outlines leaves the
    // document as it was. Goes into a new plan or one that has content.
    [[nodiscard]] bool import_points(const std::string& path, const PointPlacement& placement,
                                     std::string& error, std::string* report = nullptr);

    // The polylines of the cut order: from the origin, each step follows the
    // first link that leaves the current polyline. The chain stops where no
    // link leaves, and where a link leads to a polyline already in the chain
    // or to no polyline of the document.
    std::vector<int> cut_order() const;

    // Writes the offset contours of the cut order, split at their tabs, as a
    // DXF file. False with a French message, the old file left intact,
    // when the cut order holds no contour (an empty drawing would replace the
    // file) or the file cannot be saved.
    [[nodiscard]] bool export_dxf(const std::string& path, std::string& error) const;

    // Writes the same contours, in the same order and cut at the same tabs,
    // as a G-code program through the atomic writer. `report` is the French
    // sentence of the program (dialect, lines, passes, length cut, estimated
    // time). False with a French message, the old file left intact, when the
    // cut order holds no contour, the settings are refused or the file
    // cannot be saved.
    [[nodiscard]] bool export_gcode(const std::string& path, const common::GcodeSettings& settings,
                                    std::string& report, std::string& error) const;

    // Sets the cutter radius; when it differs from the current one, every
    // offset contour is computed again with it and every tab placed again on
    // its segment with its own width and shift. A tab that no longer fits its
    // new segment is removed (it would otherwise keep the ends of the old
    // contour). Returns the number of tabs removed so.
    int set_cutter_radius(float radius);

    // The question to ask before the document is emptied: whenever it has
    // content, since modifications are not tracked.
    SavePrompt save_prompt() const;

    // New: empties the document and clears content loaded.
    void new_document();

    // Whether `file` may be opened: it must be readable, end in ".cmg"
    // exactly (case included) and read as a plan. A file that is no plan at
    // all (its first line is not a version line) gives kNotCmgMessage, as
    // another extension does. The document is not touched.
    [[nodiscard]] bool check_open(const std::string& file, std::string& error) const;

    // Open: reads the file as check_open does and, once it is read whole,
    // empties the document and puts the file's plan in it with the file's
    // settings (a settings line with another keyword keeps the current
    // value), remembering the path. A refused file leaves the document as it
    // was.
    [[nodiscard]] bool open_document(const std::string& file, std::string& error);

    // Save: writes the document as a .cmg file through the atomic writer and,
    // once written, remembers the file as the document's path (the next Save
    // goes there without asking).
    [[nodiscard]] bool save_document(const std::string& file, std::string& error);

    float tabStep = 0;            // DEPLACEMENT-ATTACHE, mm
    float tabWidth = 0;           // TAILLE-ATTACHE, mm
    float cutterRadius = 0;       // RAYON-FRAISE, mm
    int boardWidth = 0;           // LARGEUR-PLANCHE, whole mm along Y
    int boardLength = 0;          // LONGUEUR-PLANCHE, whole mm along X
    common::GcodeSettings gcode;  // section GCODE of the user's store
    int contentLoaded = 0;
    int viewResetPending = 0;
    int hasPath = 0;
    std::string path;
    int scrollWidth = kScrollSize;
    int scrollHeight = kScrollSize;

  private:
    [[nodiscard]] bool read_plan(const std::string& file, CCmgFile& cmg, PlanTables& read,
                                 std::string& error) const;
};

}  // namespace plandor
