// Host B-spline records to and from OpenCASCADE. The record keeps full knot vectors (each knot
// repeated by its multiplicity); OpenCASCADE keeps distinct knots with multiplicities, 1-based.
#include "kernel/occt_convert.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Standard_Failure.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColStd_Array2OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TColgp_Array2OfPnt.hxx>

#include <mutex>
#include <string>
#include <vector>

#include "kernel/kernel.h"

namespace orv::kernel {

namespace {

void split_knots(const std::vector<double>& full, std::vector<double>& knots, std::vector<int>& mults) {
  knots.clear();
  mults.clear();
  for (double k : full) {
    if (!knots.empty() && k == knots.back()) ++mults.back();
    else {
      knots.push_back(k);
      mults.push_back(1);
    }
  }
}

void to_arrays(const std::vector<double>& full, TColStd_Array1OfReal& knots, TColStd_Array1OfInteger& mults) {
  std::vector<double> k;
  std::vector<int> m;
  split_knots(full, k, m);
  knots.Resize(1, static_cast<int>(k.size()), false);
  mults.Resize(1, static_cast<int>(m.size()), false);
  for (size_t i = 0; i < k.size(); ++i) {
    knots.SetValue(static_cast<int>(i) + 1, k[i]);
    mults.SetValue(static_cast<int>(i) + 1, m[i]);
  }
}

std::vector<double> full_knots(const TColStd_Array1OfReal& knots, const TColStd_Array1OfInteger& mults) {
  std::vector<double> out;
  for (int i = knots.Lower(); i <= knots.Upper(); ++i)
    out.insert(out.end(), mults(i - knots.Lower() + mults.Lower()), knots(i));
  return out;
}

}  // namespace

Handle(Geom_BSplineCurve) to_occt_curve(const nb_type& nb) {
  std::string err;
  if (!check_curve(nb, err)) return nullptr;
  try {
    TColgp_Array1OfPnt poles(1, nb.nu);
    TColStd_Array1OfReal weights(1, nb.nu);
    for (int i = 0; i < nb.nu; ++i) {
      poles.SetValue(i + 1, gp_Pnt(nb.poles[i][0], nb.poles[i][1], nb.poles[i][2]));
      weights.SetValue(i + 1, nb.weights[i]);
    }
    TColStd_Array1OfReal knots(1, 1);
    TColStd_Array1OfInteger mults(1, 1);
    to_arrays(nb.uknots, knots, mults);
    if (is_rational(nb.weights)) return new Geom_BSplineCurve(poles, weights, knots, mults, nb.udegree);
    return new Geom_BSplineCurve(poles, knots, mults, nb.udegree);
  } catch (const Standard_Failure&) {
    return nullptr;
  }
}

Handle(Geom_BSplineSurface) to_occt_surface(const nb_type& nb) {
  std::string err;
  if (!check_surface(nb, err)) return nullptr;
  try {
    TColgp_Array2OfPnt poles(1, nb.nu, 1, nb.nv);
    TColStd_Array2OfReal weights(1, nb.nu, 1, nb.nv);
    for (int i = 0; i < nb.nu; ++i)
      for (int j = 0; j < nb.nv; ++j) {
        const size_t k = static_cast<size_t>(i) * nb.nv + j;
        poles.SetValue(i + 1, j + 1, gp_Pnt(nb.poles[k][0], nb.poles[k][1], nb.poles[k][2]));
        weights.SetValue(i + 1, j + 1, nb.weights[k]);
      }
    TColStd_Array1OfReal uk(1, 1), vk(1, 1);
    TColStd_Array1OfInteger um(1, 1), vm(1, 1);
    to_arrays(nb.uknots, uk, um);
    to_arrays(nb.vknots, vk, vm);
    if (is_rational(nb.weights))
      return new Geom_BSplineSurface(poles, weights, uk, vk, um, vm, nb.udegree, nb.vdegree);
    return new Geom_BSplineSurface(poles, uk, vk, um, vm, nb.udegree, nb.vdegree);
  } catch (const Standard_Failure&) {
    return nullptr;
  }
}

bool from_occt_curve(const Handle(Geom_BSplineCurve)& in, nb_type& out) {
  if (in.IsNull()) return false;
  try {
    Handle(Geom_BSplineCurve) c = in;
    if (c->IsPeriodic()) {
      c = Handle(Geom_BSplineCurve)::DownCast(in->Copy());
      c->SetNotPeriodic();
    }
    nb_type nb;
    nb.udegree = c->Degree();
    nb.nu = c->NbPoles();
    nb.uknots = full_knots(c->Knots(), c->Multiplicities());
    for (int i = 1; i <= nb.nu; ++i) {
      const gp_Pnt p = c->Pole(i);
      nb.poles.push_back({p.X(), p.Y(), p.Z()});
      nb.weights.push_back(c->Weight(i));
    }
    std::string err;
    if (!check_curve(nb, err)) return false;
    out = std::move(nb);
    return true;
  } catch (const Standard_Failure&) {
    return false;
  }
}

bool from_occt_surface(const Handle(Geom_BSplineSurface)& in, nb_type& out) {
  if (in.IsNull()) return false;
  try {
    Handle(Geom_BSplineSurface) s = in;
    if (s->IsUPeriodic() || s->IsVPeriodic()) {
      s = Handle(Geom_BSplineSurface)::DownCast(in->Copy());
      if (s->IsUPeriodic()) s->SetUNotPeriodic();
      if (s->IsVPeriodic()) s->SetVNotPeriodic();
    }
    nb_type nb;
    nb.udegree = s->UDegree();
    nb.vdegree = s->VDegree();
    nb.nu = s->NbUPoles();
    nb.nv = s->NbVPoles();
    nb.uknots = full_knots(s->UKnots(), s->UMultiplicities());
    nb.vknots = full_knots(s->VKnots(), s->VMultiplicities());
    for (int i = 1; i <= nb.nu; ++i)
      for (int j = 1; j <= nb.nv; ++j) {
        const gp_Pnt p = s->Pole(i, j);
        nb.poles.push_back({p.X(), p.Y(), p.Z()});
        nb.weights.push_back(s->Weight(i, j));
      }
    std::string err;
    if (!check_surface(nb, err)) return false;
    out = std::move(nb);
    return true;
  } catch (const Standard_Failure&) {
    return false;
  }
}

void silence_occt_messages() {
  static std::once_flag once;
  std::call_once(once, [] {
    const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
    if (!messenger.IsNull()) messenger->ChangePrinters().Clear();
  });
}

}  // namespace orv::kernel
