#include <benchmark/benchmark.h>

#include <string>

#include "MyAES.h"
#include "QzSign.h"

namespace {

// A micro-pay request as the client builds it: ten fields, CDATA values, one of them Chinese.
const std::string kRequest =
    "<xml>"
    "<appid><![CDATA[wx2421b1c4370ec43b]]></appid>"
    "<mch_id><![CDATA[10000100]]></mch_id>"
    "<store_appid><![CDATA[s20170801000001]]></store_appid>"
    "<syy_id><![CDATA[0001]]></syy_id>"
    "<nonce_str><![CDATA[5K8264ILTKCH16CQ2502SI8ZNMTM67VS]]></nonce_str>"
    "<body><![CDATA[海川超市-收银]]></body>"
    "<out_trade_no><![CDATA[1415757673201708011234]]></out_trade_no>"
    "<total_fee><![CDATA[1888]]></total_fee>"
    "<spbill_create_ip><![CDATA[127.0.0.1]]></spbill_create_ip>"
    "<auth_code><![CDATA[120061098828009406]]></auth_code>"
    "</xml>";

void BM_MakeSignTenFields(benchmark::State& state) {
    std::string sign;
    for (auto _ : state) {
        MakeSign(kRequest, "192006250b4c09247ec02edce69f6a2d", sign);
        benchmark::DoNotOptimize(sign);
    }
}
BENCHMARK(BM_MakeSignTenFields);

void BM_AESEncryptPassword(benchmark::State& state) {
    const std::string password = "Pa55word-16chars";
    std::string hex;
    for (auto _ : state) {
        AESEncryptString(password, kStoredAESKey, 0, hex);
        benchmark::DoNotOptimize(hex);
    }
}
BENCHMARK(BM_AESEncryptPassword);

}  // namespace

BENCHMARK_MAIN();
