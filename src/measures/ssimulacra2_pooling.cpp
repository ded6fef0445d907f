#include "measures/ssimulacra2_pooling.h"

#include <cmath>
#include <cstddef>

namespace brenlow {
namespace {

// The published weights (SSIMULACRA 2.1), in the order X, Y, B; within each the scales 1:1 to
// 1:32; within each the 1-norm then the 4-norm; within each SSIM, artifacts, detail lost.
constexpr std::array<double, 108> kWeights = {
    0.0, 0.0007376606707406586, 0.0, 0.0, 0.0007793481682867309, 0.0, 0.0, 0.0004371155730107379, 0.0,
    1.1041726426657346, 0.00066284834129271, 0.00015231632783718752, 0.0, 0.0016406437456599754, 0.0,
    1.8422455520539298, 11.441172603757666, 0.0, 0.0007989109436015163, 0.000176816438078653, 0.0,
    1.8787594979546387, 10.94906990605142, 0.0, 0.0007289346991508072, 0.9677937080626833, 0.0,
    0.00014003424285435884, 0.9981766977854967, 0.00031949755934435053, 0.0004550992113792063, 0.0, 0.0,
    0.0013648766163243398, 0.0, 0.0, 0.0, 0.0, 0.0, 7.466890328078848, 0.0, 17.445833984131262,
    0.0006235601634041466, 0.0, 0.0, 6.683678146179332, 0.00037724407979611296, 1.027889937768264,
    225.20515300849274, 0.0, 0.0, 19.213238186143016, 0.0011401524586618361, 0.001237755635509985,
    176.39317598450694, 0.0, 0.0, 24.43300999870476, 0.28520802612117757, 0.0004485436923833408, 0.0, 0.0, 0.0,
    34.77906344483772, 44.835625328877896, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0008680556573291698, 0.0,
    0.0, 0.0, 0.0, 0.0, 0.0005313191874358747, 0.0, 0.00016533814161379112, 0.0, 0.0, 0.0, 0.0, 0.0,
    0.0004179171803251336, 0.0017290828234722833, 0.0, 0.0020827005846636437, 0.0, 0.0, 8.826982764996862,
    23.19243343998926, 0.0, 95.1080498811086, 0.9863978034400682, 0.9834382792465353, 0.0012286405048278493,
    171.2667255897307, 0.9807858872435379, 0.0, 0.0, 0.0, 0.0005130064588990679, 0.0, 0.00010854057858411537,
};
constexpr std::size_t kMaxScales = 6;

double weightedSum(const std::vector<ScaleNorms>& scales) {
    double sum = 0.0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        for (std::size_t scale = 0; scale < scales.size() && scale < kMaxScales; ++scale) {
            const MapNorms& maps = scales[scale][channel];
            for (std::size_t norm = 0; norm < 2; ++norm) {
                const std::size_t first = ((channel * kMaxScales + scale) * 2 + norm) * 3;
                sum += kWeights[first] * std::abs(maps.ssim[norm]);
                sum += kWeights[first + 1] * std::abs(maps.artifact[norm]);
                sum += kWeights[first + 2] * std::abs(maps.detailLost[norm]);
            }
        }
    }
    return sum;
}

}  // namespace

double pooledScore(const std::vector<ScaleNorms>& scales) {
    const double x = weightedSum(scales) * 0.9562382616834844;
    const double error = 2.326765642916932 * x - 0.020884521182843837 * x * x + 6.248496625763138e-05 * x * x * x;
    if (error <= 0.0) return 100.0;
    return 100.0 - 10.0 * std::pow(error, 0.6276336467831387);
}

}  // namespace brenlow
