#include <QVector>
#include <algorithm>
#include <cstddef>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/log/logmsg.h"
#include "platform/tick_clock.h"
#include "plot/plot_records.h"

namespace {
// Which of three neighbouring values goes: one that lies strictly between the
// other two; among ties never a strict peak or valley. Plain comparisons and
// bit operations, no branches: the values of a long series give the branch
// predictor nothing to learn.
struct Drop {
  bool first, third;  // otherwise the middle one
};
inline Drop dropOf(float a, float b, float c) {
  const bool ab = a > b, ba = b > a, bc = b > c, cb = c > b, ac = a > c, ca = c > a;
  const bool aBetween = (ab & ca) | (ba & ac);
  const bool bBetween = (ba & cb) | (ab & bc);
  const bool cBetween = (ca & bc) | (ac & cb);
  const bool bExtreme = (ba & bc) | (ab & cb);  // then a equals c
  return {static_cast<bool>(aBetween | (bExtreme & !bBetween & !cBetween)),
          static_cast<bool>(!aBetween & !bBetween & cBetween)};
}

inline ReduceNode pick(bool second, const ReduceNode& x, const ReduceNode& y) {
  uint64_t a, b;
  std::memcpy(&a, &x, sizeof a);
  std::memcpy(&b, &y, sizeof b);
  const uint64_t r = a ^ ((a ^ b) & (0 - static_cast<uint64_t>(second)));
  ReduceNode n;
  std::memcpy(&n, &r, sizeof n);
  return n;
}

// Writes the two survivors of in[0..2].
inline void thinGroup(const ReduceNode* in, ReduceNode* o) {
  const Drop d = dropOf(in[0].value, in[1].value, in[2].value);
  o[0] = pick(d.first, in[0], in[1]);
  o[1] = pick(d.third, in[2], in[1]);
}

#ifdef __SSE2__
static_assert(sizeof(ReduceNode) == 8 && offsetof(ReduceNode, value) == 4);

// Survivors of one group: n0 n1 and n2 n3 as two registers, the mask lanes
// (first, first, third, third) all ones where that node goes.
inline void storeGroup(__m128 n01, __m128 n23, __m128 mask, ReduceNode* o) {
  const __m128 keep = _mm_movelh_ps(n01, n23);  // n0 n2
  const __m128 n1 = _mm_movehl_ps(n01, n01);    // n1 n1
  _mm_storeu_ps(reinterpret_cast<float*>(o), _mm_xor_ps(keep, _mm_and_ps(_mm_xor_ps(keep, n1), mask)));
  _mm_storeh_pi(reinterpret_cast<__m64*>(o + 2), n23);  // n3, stepped over
}

// dropOf for four groups of four nodes at once; returns the input consumed.
size_t thinFourGroups(const ReduceNode* in, size_t groups, ReduceNode*& o) {
  const float* f = reinterpret_cast<const float*>(in);
  size_t i = 0;
  for (; i + 4 <= groups; i += 4, f += 32, o += 12) {
    __m128 r[8];
    for (int k = 0; k < 8; ++k) r[k] = _mm_loadu_ps(f + 4 * k);  // index, value, index, value
    const __m128 ab01 = _mm_shuffle_ps(r[0], r[2], _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 ab23 = _mm_shuffle_ps(r[4], r[6], _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 cd01 = _mm_shuffle_ps(r[1], r[3], _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 cd23 = _mm_shuffle_ps(r[5], r[7], _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 a = _mm_shuffle_ps(ab01, ab23, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 b = _mm_shuffle_ps(ab01, ab23, _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 c = _mm_shuffle_ps(cd01, cd23, _MM_SHUFFLE(2, 0, 2, 0));
    // Ordered comparisons: false for a NaN, as in dropOf.
    const __m128 ab = _mm_cmpgt_ps(a, b), ba = _mm_cmpgt_ps(b, a), bc = _mm_cmpgt_ps(b, c),
                 cb = _mm_cmpgt_ps(c, b), ac = _mm_cmpgt_ps(a, c), ca = _mm_cmpgt_ps(c, a);
    const __m128 aBetween = _mm_or_ps(_mm_and_ps(ab, ca), _mm_and_ps(ba, ac));
    const __m128 bBetween = _mm_or_ps(_mm_and_ps(ba, cb), _mm_and_ps(ab, bc));
    const __m128 cBetween = _mm_or_ps(_mm_and_ps(ca, bc), _mm_and_ps(ac, cb));
    const __m128 bExtreme = _mm_or_ps(_mm_and_ps(ba, bc), _mm_and_ps(ab, cb));
    const __m128 neither = _mm_andnot_ps(_mm_or_ps(bBetween, cBetween), bExtreme);
    const __m128 first = _mm_or_ps(aBetween, neither);
    const __m128 third = _mm_andnot_ps(_mm_or_ps(aBetween, bBetween), cBetween);
    const __m128 ft01 = _mm_unpacklo_ps(first, third);  // f0 t0 f1 t1
    const __m128 ft23 = _mm_unpackhi_ps(first, third);
    storeGroup(r[0], r[1], _mm_shuffle_ps(ft01, ft01, _MM_SHUFFLE(1, 1, 0, 0)), o);
    storeGroup(r[2], r[3], _mm_shuffle_ps(ft01, ft01, _MM_SHUFFLE(3, 3, 2, 2)), o + 3);
    storeGroup(r[4], r[5], _mm_shuffle_ps(ft23, ft23, _MM_SHUFFLE(1, 1, 0, 0)), o + 6);
    storeGroup(r[6], r[7], _mm_shuffle_ps(ft23, ft23, _MM_SHUFFLE(3, 3, 2, 2)), o + 9);
  }
  return 4 * i;
}
#endif
}  // namespace

// From the start, three neighbours lose one, the node after them is stepped
// over, and so on.
size_t thinWalk(const ReduceNode* in, size_t m, ReduceNode* out, size_t drops) {
  const size_t groups = std::min(m < 3 ? 0 : (m - 3) / 4 + 1, drops);
  const size_t stepped = std::min(groups, m / 4);  // groups followed by a node to step over
  ReduceNode* o = out;
  size_t i = 0;
#ifdef __SSE2__
  i = thinFourGroups(in, stepped, o);
#endif
  for (; i < stepped * 4; i += 4, o += 3) {
    thinGroup(in + i, o);
    o[2] = in[i + 3];
  }
  if (groups > stepped) {  // the series ends with the group
    thinGroup(in + i, o);
    o += 2;
    i += 3;
  }
  o = std::copy(in + i, in + m, o);
  return static_cast<size_t>(o - out);
}

int completeThinningWalks(size_t count, int32_t maxPoints, int limit) {
  int walks = 0;
  for (size_t m = count; walks < limit; ++walks) {
    const size_t groups = m < 3 ? 0 : (m - 3) / 4 + 1;
    if (groups == 0 || maxPoints < 0 || m - groups < static_cast<size_t>(maxPoints)) break;
    m -= groups;
  }
  return walks;
}

// The survivors walk as a list behind a fixed head: at the end of the list
// the walk starts again from the head. Each walk is done as one pass over a
// dense array, which keeps the memory access sequential.
size_t reduceNodes(ReduceNode* nodes, size_t count, int32_t maxPoints, std::vector<ReduceNode>& scratch) {
  clearUpperVectorState();
  if (scratch.size() < count) scratch.resize(count);
  ReduceNode* in = nodes;
  ReduceNode* spare = scratch.data();
  size_t m = count;
  while (maxPoints >= 0 && m > static_cast<size_t>(maxPoints)) {
    const size_t kept = thinWalk(in, m, spare, m - static_cast<size_t>(maxPoints));
    std::swap(in, spare);
    if (kept == m) break;  // two nodes or fewer: nothing left to drop
    m = kept;
  }
  if (in != nodes) std::copy(in, in + m, nodes);
  return m;
}

bool reducePoints(QVector<plotPoint>& points, int32_t maxPoints) {
  const int32_t n = static_cast<int32_t>(points.size()) - 1;
  logMsg(3, QStringLiteral("reducePoints: reducing from %1 to %2 points").arg(n).arg(maxPoints));
  if (maxPoints < 2) {
    // Fewer than three points after the head could never be thinned further.
    logMsg(-1, QStringLiteral("reducePoints: ERROR maxPoints=%1 is below 2").arg(maxPoints));
    return false;
  }
  if (n <= maxPoints) return true;
  const int32_t start = timeGetTime();
  std::vector<ReduceNode> nodes(n);
  for (int32_t i = 1; i <= n; ++i) nodes[i - 1] = {i, points[i].value};
  std::vector<ReduceNode> spare;
  const size_t kept = reduceNodes(nodes.data(), nodes.size(), maxPoints, spare);
  // Survivors only move forward, each at most once.
  for (size_t k = 0; k < kept; ++k) points[static_cast<qsizetype>(k) + 1] = points[nodes[k].index];
  logMsg(2,
         QStringLiteral("reducePoints: time used= %1 mS").arg(static_cast<uint32_t>(timeGetTime() - start)));
  return true;
}
