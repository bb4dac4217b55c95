#include "render/PrimaryRays.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void CPrimaryRays::AtTwo(double row, double column0, double column1, CRay (&rays)[2]) const {
#if defined(__SSE2__)
    // At's operations, the two points side by side in the lanes of SSE2 registers: each lane
    // rounds exactly as the scalar operation does.
    double w = m_width;
    double h = m_height;
    double u = (row - h / 2) / w;
    __m128d columns = _mm_set_pd(column1, column0);
    __m128d v = _mm_div_pd(_mm_sub_pd(columns, _mm_set1_pd(w / 2)), _mm_set1_pd(h));
    const CVector& look = m_camera.m_look;
    const CVector& up = m_camera.m_up;
    const CVector& right = m_camera.m_right;
    auto component = [&](double l, double p, double r) {
        __m128d base = _mm_set1_pd(l + p * u);
        return _mm_add_pd(base, _mm_mul_pd(_mm_set1_pd(r), v));
    };
    __m128d x = component(look.x, up.x, right.x);
    __m128d y = component(look.y, up.y, right.y);
    __m128d z = component(look.z, up.z, right.z);
    __m128d length =
        _mm_sqrt_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)), _mm_mul_pd(z, z)));
    x = _mm_div_pd(x, length);
    y = _mm_div_pd(y, length);
    z = _mm_div_pd(z, length);
    double xs[2];
    double ys[2];
    double zs[2];
    _mm_storeu_pd(xs, x);
    _mm_storeu_pd(ys, y);
    _mm_storeu_pd(zs, z);
    for (int k = 0; k < 2; ++k) {
        rays[k].origin = m_camera.m_eye;
        rays[k].direction = CVector(xs[k], ys[k], zs[k]);
    }
#else
    At(row, column0, rays[0]);
    At(row, column1, rays[1]);
#endif
}

void CPrimaryRays::At(double row, double column, CRay& ray) const {
    double w = m_width;
    double h = m_height;
    double u = (row - h / 2) / w;
    double v = (column - w / 2) / h;

    // From the eye through (u, v) on the image plane; look + up u is summed first, and the
    // pictures depend on that rounding.
    ray.origin = m_camera.m_eye;
    ray.direction = ((m_camera.m_look + m_camera.m_up * u) + m_camera.m_right * v).Normalised();
}
