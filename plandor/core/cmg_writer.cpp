#include <string>

#include "c_format.h"
#include "cmg_file.h"
#include "save_file.h"

namespace plandor {

using common::CAttache;
using common::CPolyline;
using common::Point3;

namespace {

void line(std::string& out, const char* keyword, const std::string& value) {
    out += keyword;
    out += ' ';
    out += value;
    out += '\n';
}

std::string f(float v) {
    return common::format_f(v);
}

std::string d(int v) {
    return std::to_string(v);
}

// Points, offset contour and group: what a top-level block and a member block
// have in common.
void write_body(std::string& out, const CPolyline& p) {
    for (int k = 0; k < p.nbPoints; ++k) {
        const Point3& pt = p.points[static_cast<size_t>(k)];
        line(out, "POINT-X", f(pt.x) + " " + d(k));
        line(out, "POINT-Y", f(pt.y) + " " + d(k));
    }
    out += "FIN-POINTS 0\n";
    if (p.nbOffsetPoints > 0) {
        line(out, "DETROURAGE", d(static_cast<int>(p.detourage)));
        for (int j = 0; j < p.nbOffsetPoints; ++j) {
            const Point3& o = p.offsetPoints[static_cast<size_t>(j)];
            line(out, "DETROURAGE-X", f(o.x) + " " + d(j));
            line(out, "DETROURAGE-Y", f(o.y) + " " + d(j));
            const CAttache* tab = p.tabs[static_cast<size_t>(j)].get();
            if (tab == nullptr) {
                out += "ATTACHE 0\n";
                continue;
            }
            out += "ATTACHE 1\n";
            line(out, "ATTACHE-X1", f(tab->x1));
            line(out, "ATTACHE-Y1", f(tab->y1));
            line(out, "ATTACHE-X2", f(tab->x2));
            line(out, "ATTACHE-Y2", f(tab->y2));
            line(out, "DECALAGE", f(tab->decalage));
            line(out, "LARGEUR", f(tab->largeur));
        }
        out += "FIN-DETROURAGE 0\n";
    } else {
        out += "DETROURAGE 0\n";
    }
    if (p.nbMembers > 0) {
        out += "GROUPE ";
        for (int j = 0; j < p.nbMembers; ++j) {
            out += "1\n";
            line(out, "POLYLINE-GROUPE", d(j));
            write_body(out, *p.members[static_cast<size_t>(j)]);
            out += "NEXT ";
        }
        out += "0\n";
        line(out, "PERMUTE", d(p.permute == 1 ? 1 : 0));
        line(out, "TAILLE", f(static_cast<float>(p.taille)));
        out += "FIN-GROUPE 0\n";
    } else {
        out += "GROUPE 0\n";
    }
}

}  // namespace

std::string CCmgFile::text(const PlanTables& plan) const {
    std::string out;
    out += "VERSION-CMG 1.2 \n";
    out += "RAYON-FRAISE " + f(cutterRadius) + " \n";
    out += "TAILLE-ATTACHE " + f(tabWidth) + " \n";
    out += "DEPLACEMENT-ATTACHE " + f(tabStep) + " \n";
    out += "LARGEUR-PLANCHE " + d(boardWidth) + " \n";
    out += "LONGUEUR-PLANCHE " + d(boardLength) + " \n";
    for (int i = 0; i < plan.polylineCount && i < common::kMaxPolylines; ++i) {
        const CPolyline* p = plan.polylines[static_cast<size_t>(i)].get();
        if (p == nullptr) {
            continue;
        }
        out += "POLYLINE " + d(i) + " " + std::string(65, '*') + "\n";
        write_body(out, *p);
        line(out, "END-LINKED", d(p->end_linked()));
        line(out, "START-LINKED", d(p->start_linked()));
        out += '\n';
    }
    out += "DEBUT-LIAISON 0\n";
    for (int j = 0; j < plan.linkCount && j < kMaxLinks; ++j) {
        const CLiaison* l = plan.links[static_cast<size_t>(j)].get();
        if (l == nullptr) {
            continue;
        }
        line(out, "LIAISON", d(j));
        line(out, "END-INDEX", d(l->endIndex));
        line(out, "START-INDEX", d(l->startIndex));
        line(out, "START-X", f(l->startX));
        line(out, "START-Y", f(l->startY));
        line(out, "END-X", f(l->endX));
        line(out, "END-Y", f(l->endY));
        out += '\n';
    }
    return out;
}

bool CCmgFile::write(const std::string& path, const PlanTables& plan, std::string& error) const {
    return platform::save_file(path, text(plan), &error);
}

}  // namespace plandor
