#include "polyline.h"

#include <algorithm>
#include <cmath>

namespace common {

namespace {

void set_flag(int& flag, int v) {
    if (v == 0 || v == 1) {
        flag = v;
    }
}

}  // namespace

void CPolyline::set_selected(int v) {
    set_flag(selected_, v);
}
void CPolyline::set_start_linked(int v) {
    set_flag(startLinked_, v);
}
void CPolyline::set_end_linked(int v) {
    set_flag(endLinked_, v);
}

std::unique_ptr<CPolyline> CPolyline::clone() const {
    auto copy = std::make_unique<CPolyline>();
    copy->nbPoints = nbPoints;
    copy->points = points;
    copy->detourage = detourage;
    copy->selectedSegment = selectedSegment;
    copy->taille = taille;
    copy->nbOffsetPoints = nbOffsetPoints;
    copy->offsetPoints = offsetPoints;
    for (size_t k = 0; k < tabs.size(); ++k) {
        if (tabs[k]) {
            copy->tabs[k] = std::make_unique<CAttache>(*tabs[k]);
        }
    }
    copy->permute = permute;
    copy->memberCursor = memberCursor;
    copy->nbMembers = nbMembers;
    for (size_t j = 0; j < members.size(); ++j) {
        if (members[j]) {
            copy->members[j] = members[j]->clone();
        }
    }
    copy->selected_ = selected_;
    copy->endLinked_ = endLinked_;
    copy->startLinked_ = startLinked_;
    return copy;
}

void CPolyline::reverse() {
    std::reverse(points.begin(), points.begin() + nbPoints);
    if (nbMembers > 0) {
        permute = permute == 0 ? 1 : 0;
    }
    remove_offset();
}

bool CPolyline::can_join(const CPolyline& other, std::string& error) const {
    if (&other == this) {
        error = "Une polyligne ne peut pas être jointe à elle-même.";
        return false;
    }
    if (nbMembers >= kMaxMembers) {
        error = "Cette polyligne regroupe déjà 50 polylignes : la jonction est refusée.";
        return false;
    }
    if (nbPoints + other.nbPoints > kMaxJoinedPoints) {
        error = "La jonction donnerait plus de 100 points : elle est refusée.";
        return false;
    }
    // Once reversed after a join, the points appended now would come first
    // when the reversal is undone, and an explode would hand them to this
    // polyline instead of its own outline.
    if (nbMembers > 0 && permute == 1) {
        error =
            "Cette polyligne a été permutée après une jonction : décomposez-la avant de la joindre "
            "à nouveau, ou joignez avant de permuter.";
        return false;
    }
    return true;
}

bool CPolyline::join(std::unique_ptr<CPolyline>& other, std::string& error) {
    if (!other || !can_join(*other, error)) {
        if (!other) {
            error = "Aucune polyligne à joindre.";
        }
        return false;
    }
    if (nbMembers == 0) {
        taille = nbPoints;
    }
    CPolyline& joined = *other;
    joined.set_selected(0);
    int k = 0;
    if (nbPoints > 0 && joined.nbPoints > 0) {
        const Point3& last = points[static_cast<size_t>(nbPoints - 1)];
        const Point3& first = joined.points[0];
        if (std::fabs(first.x - last.x) < 0.5f && std::fabs(first.y - last.y) <= 0.5f) {
            k = 1;
        }
    }
    for (; k < joined.nbPoints; ++k) {
        points[static_cast<size_t>(nbPoints++)] = joined.points[static_cast<size_t>(k)];
    }
    joined.remove_offset();
    remove_offset();
    members[static_cast<size_t>(nbMembers++)] = std::move(other);
    return true;
}

CPolyline* CPolyline::next_member() {
    if (memberCursor < 0 || memberCursor >= nbMembers) {
        return nullptr;
    }
    return members[static_cast<size_t>(memberCursor++)].get();
}

bool CPolyline::explode(PolylineArray& table, int& count, std::string& error) {
    if (nbMembers <= 0) {
        error = "Cette polyligne ne regroupe aucune autre polyligne : rien à décomposer.";
        return false;
    }
    if (count < 0 || count + nbMembers > kMaxPolylines) {
        error = "Le dessin ne peut pas dépasser 200 polylignes : la décomposition est refusée.";
        return false;
    }
    if (permute == 1) {
        reverse();
    }
    for (int j = 0; j < nbMembers; ++j) {
        table[static_cast<size_t>(count++)] = std::move(members[static_cast<size_t>(j)]);
    }
    nbPoints = std::clamp(taille, 0, nbPoints);
    nbMembers = 0;
    memberCursor = 0;
    permute = 0;
    remove_offset();
    return true;
}

void CPolyline::remove_offset() {
    for (auto& tab : tabs) {
        tab.reset();
    }
    detourage = OffsetSide::none;
    nbOffsetPoints = 0;
}

}  // namespace common
