"""Self-test of the fake gateway.

Run from the repository root:
    /usr/bin/python3 -m unittest discover -s tests/fakegw -v

The server runs as a subprocess on a free port of 127.0.0.1; every test
bounds its own time.  The known answers were computed outside Python:

AES: the stored key "Wn4rB7tYq2Lc9HsE" is 576e34724237745971324c6339487345
in hex, and each answer is
    printf '%s' "$TEXT" | openssl enc -aes-128-ecb -K 576e34724237745971324c6339487345 -nosalt \
        | xxd -p -c 256 | tr a-f A-F
(openssl enc pads with PKCS#7, as the client does).

MD5: each answer is  printf '%s' "$TEXT" | md5sum  , upper-cased.
"""

import base64
import http.client
import json
import os
import shutil
import signal
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "fake_gateway.py")
sys.path.insert(0, HERE)
import fake_gateway as fg  # noqa: E402

KEY = "192006250b4c09247ec02edce69f6a2d"

AES_KAT = [
    ("", "EABE9F15937DDF459EEA4A63A27A7DAF"),
    ("123456", "2FF5D031CCF1F97384A9713272ACB591"),
    ("888888", "9D131AFF10C56ECFE832A00B6E9BC9CB"),
    ("0123456789abcdef", "1DD0E71693E6AA2074A3BA92A96327AEEABE9F15937DDF459EEA4A63A27A7DAF"),
    ("张三", "24F7C1019EBC88A1F8EC309B241DC153"),
    (KEY, "8229541427128536658CB7509DA12FCF17F6048D62E5C585AF6AB58431E8EBC2"
          "EABE9F15937DDF459EEA4A63A27A7DAF"),
]

MICRO_VALUES = {"appid": "wx2421b1c4370ec43b", "mch_id": "1900000109", "store_appid": "S0001",
                "syy_id": "1001", "total_fee": "1", "auth_code": "134567890123456789"}
MICRO_SIGN_TEXT = ("appid=wx2421b1c4370ec43b&auth_code=134567890123456789&mch_id=1900000109"
                   "&store_appid=S0001&syy_id=1001&total_fee=1&key=" + KEY)
MICRO_SIGN = "2A1A0E6973E679733DC7E4E79ECA82B9"


def request_text(op, values, sign=None):
    """A request exactly as the client writes it; sign=None computes it."""
    fields, signed = fg.OPS[op]
    vals = dict(values)
    for f in fields:
        vals.setdefault(f, "")
        if f in fg.ENCIPHERED:
            vals[f] = fg.aes_encrypt_text(vals[f])
    if signed and sign is None:
        sign = fg.make_sign([(f, vals[f]) for f in fields], KEY)
    return fg.canonical_request_text(op, vals, signed, sign).encode("utf-8")


def parse_reply(body):
    root = ET.fromstring(body)
    return root, {c.tag: (c.text or "") for c in root}


def reply_sign_ok(root):
    pairs = [(c.tag, c.text or "") for c in root if len(c) == 0]
    vals = {c.tag: c.text or "" for c in root}
    return vals.get("sign") == fg.make_sign(pairs, KEY)


class KnownAnswers(unittest.TestCase):
    def test_aes_known_answers(self):
        for plain, hexed in AES_KAT:
            self.assertEqual(fg.aes_encrypt_text(plain), hexed, plain)
            self.assertEqual(fg.aes_decrypt_text(hexed), plain)

    def test_aes_rejects_bad_input(self):
        for bad in ("", "XYZ", "ABCD", "2ff5d031ccf1f97384a9713272acb591",
                    "2FF5D031CCF1F97384A9713272ACB592"):
            with self.assertRaises(fg.CipherError, msg=bad):
                fg.aes_decrypt_text(bad)

    def test_sign_known_answer(self):
        pairs = [(f, MICRO_VALUES[f]) for f in fg.OPS["microPay"][0]]
        self.assertEqual(fg.sign_string(pairs, KEY), MICRO_SIGN_TEXT)
        self.assertEqual(fg.make_sign(pairs, KEY), MICRO_SIGN)
        # UTF-8 of Chinese text; reply order does not matter
        zh = [("syy_name", "张三"), ("result", "0"), ("errmsg", "OK")]
        self.assertEqual(fg.make_sign(zh, KEY), "B30AA7B4967C5E5118572D4F0187BE27")
        # no pair at all: "key=" + key
        self.assertEqual(fg.make_sign([("a", ""), ("SIGN", "x")], KEY),
                         "1526FD440C2A8E68F74374B33E8BDF73")

    def test_sign_rules(self):
        base = [("b", "2"), ("a", "1")]
        s = fg.make_sign(base, KEY)
        self.assertEqual(fg.make_sign(base + [("sign", "X"), ("Sign", "Y"), ("c", "")], KEY), s)
        self.assertEqual(fg.sign_string([("b", "2"), ("a", "1"), ("a", "9")], "k"), "a=1&a=1&b=2&key=k")
        self.assertEqual(fg.sign_string([("B", "2"), ("a", "1")], "k"), "a=1&B=2&key=k")
        self.assertEqual(fg.sign_string([("out_trade_no", "1"), ("out_refund_no", "2")], "k"),
                         "out_refund_no=2&out_trade_no=1&key=k")


class GatewayServer(unittest.TestCase):
    tls = False

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="fakegw-test-")
        port_file = os.path.join(cls.tmp, "port")
        args = [sys.executable, SCRIPT, "--port", "0", "--port-file", port_file,
                "--log", os.path.join(cls.tmp, "log"), "--exit-with-parent"]
        if cls.tls:
            cert, key = os.path.join(cls.tmp, "cert.pem"), os.path.join(cls.tmp, "key.pem")
            subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                            "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1",
                            "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", cert],
                           check=True, capture_output=True, timeout=10)
            args += ["--tls-cert", cert, "--tls-key", key]
        cls.proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 10
        while not os.path.exists(port_file):
            if cls.proc.poll() is not None or time.monotonic() > deadline:
                cls.proc.kill()
                raise RuntimeError("fake gateway did not start: %s" % cls.proc.stderr.read())
            time.sleep(0.02)
        with open(port_file) as fp:
            cls.port = int(fp.read())

    @classmethod
    def tearDownClass(cls):
        cls.proc.send_signal(signal.SIGTERM)
        try:
            rc = cls.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            cls.proc.kill()
            cls.proc.wait()
            rc = "timeout"
        cls.proc.stderr.close()
        shutil.rmtree(cls.tmp, ignore_errors=True)
        assert rc == 0, "fake gateway did not stop cleanly on SIGTERM: %r" % rc

    def setUp(self):
        self.control("POST", "/__control/reset", {})

    def conn(self, timeout=5):
        if self.tls:
            ctx = ssl.create_default_context()
            ctx.check_hostname = False
            ctx.verify_mode = ssl.CERT_NONE
            return http.client.HTTPSConnection("127.0.0.1", self.port, timeout=timeout, context=ctx)
        return http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)

    def http(self, method, path, body=None, timeout=5):
        c = self.conn(timeout)
        try:
            c.request(method, path, body=body)
            r = c.getresponse()
            return r.status, dict(r.getheaders()), r.read()
        finally:
            c.close()

    def control(self, method, path, obj=None, expect=200):
        body = json.dumps(obj).encode() if obj is not None else None
        status, _, data = self.http(method, path, body)
        self.assertEqual(status, expect, data)
        return json.loads(data)

    def script(self, op, *replies):
        self.control("POST", "/__control/script", {"op": op, "replies": list(replies)})

    def records(self):
        return self.control("GET", "/__control/requests")


class ServerTest(GatewayServer):
    def post_op(self, op, values, sign=None, path=None):
        return self.http("POST", path or dict(fg.PATHS)[op], request_text(op, values, sign))

    def test_health(self):
        h = self.control("GET", "/__control/health")
        self.assertTrue(h["ok"])
        self.assertEqual(h["port"], self.port)

    def test_signed_round_trip(self):
        body = request_text("microPay", MICRO_VALUES)
        self.assertIn(b"<sign><![CDATA[%s]]></sign>" % MICRO_SIGN.encode(), body)
        status, headers, data = self.http("POST", "/pay/microPay", body)
        self.assertEqual(status, 200)
        root, r = parse_reply(data)
        self.assertEqual(r["result"], "0")
        self.assertEqual(r["total_fee"], "1")
        self.assertEqual(r["coupon_fee"], "0")
        self.assertRegex(r["time_end"], r"^\d{14}$")
        self.assertTrue(r["out_trade_no"] and r["transaction_id"])
        self.assertTrue(reply_sign_ok(root))
        rec = self.records()[-1]
        self.assertEqual((rec["op"], rec["path"]), ("microPay", "/pay/microPay"))
        self.assertEqual(rec["problems"], [])
        self.assertTrue(rec["sign_ok"])
        self.assertTrue(rec["layout_ok"])
        self.assertEqual(rec["fields"]["auth_code"], "134567890123456789")
        self.assertEqual(base64.b64decode(rec["body_b64"]), body)
        # the order it made answers the query
        status, _, data = self.post_op("orderQuery", dict(MICRO_VALUES, out_trade_no=r["out_trade_no"]))
        root, q = parse_reply(data)
        self.assertEqual((q["result"], q["trade_state"], q["total_fee"]), ("0", "SUCCESS", "1"))
        self.assertTrue(reply_sign_ok(root))

    def test_wrong_sign_caught(self):
        status, _, data = self.post_op("microPay", MICRO_VALUES, sign="0" * 32)
        _, r = parse_reply(data)
        self.assertEqual((r["result"], r["errmsg"]), ("-1", "签名错误"))
        rec = self.records()[-1]
        self.assertFalse(rec["sign_ok"])
        self.assertEqual(rec["sign_expected"], MICRO_SIGN)
        self.assertTrue(rec["problems"][0].startswith("sign: wrong"), rec["problems"])

    def test_request_shape_problems(self):
        good = request_text("orderQuery", dict(MICRO_VALUES, out_trade_no="X1")).decode()
        cases = {
            "missing": good.replace("  <syy_id><![CDATA[1001]]></syy_id>\r\n", ""),
            "text": good.replace("<![CDATA[X1]]>", "X1"),
            "order": good.replace("<appid>", "<tmp>").replace("</appid>", "</tmp>")
                         .replace("<mch_id>", "<appid>").replace("</mch_id>", "</appid>")
                         .replace("<tmp>", "<mch_id>").replace("</tmp>", "</mch_id>"),
            "root": good.replace("<xml>", "<root>").replace("</xml>", "</root>"),
        }
        for name, text in cases.items():
            status, _, data = self.http("POST", "/pay/orderQuery", text.encode())
            _, r = parse_reply(data)
            self.assertEqual(r["result"], "-1", name)
            self.assertTrue(self.records()[-1]["problems"], name)

    def test_login_and_password_change(self):
        v = {"appid": "wx2421b1c4370ec43b", "mch_id": "1900000109", "store_appid": "S0001", "syy_id": "1001"}
        _, _, data = self.post_op("syyLogin", dict(v, syy_pwd="123456"))
        self.assertEqual(parse_reply(data)[1]["syy_name"], "张三")
        self.assertEqual(self.records()[-1]["decrypted"], {"syy_pwd": "123456"})
        _, _, data = self.post_op("syyLogin", dict(v, syy_pwd="654321"))
        self.assertEqual(parse_reply(data)[1]["errmsg"], "密码错误")
        _, _, data = self.post_op("syyUpdPwd", dict(v, syy_pwd="123456", syy_newpwd="新密码1"))
        self.assertEqual(parse_reply(data)[1]["result"], "0")
        self.assertEqual(self.records()[-1]["decrypted"], {"syy_pwd": "123456", "syy_newpwd": "新密码1"})
        _, _, data = self.post_op("syyLogin", dict(v, syy_pwd="新密码1"))
        self.assertEqual(parse_reply(data)[1]["result"], "0")

    def test_store_info_at_base_path(self):
        _, _, data = self.post_op("queryStoreInfo", {"store_appid": "S0001", "super_pwd": "888888"}, path="/")
        root, r = parse_reply(data)
        self.assertEqual(r["result"], "0")
        self.assertEqual(fg.aes_decrypt_text(r["key"]), KEY)
        self.assertEqual((r["mch_name"], r["store_name"]), ("海川测试商户", "测试门店一号"))
        self.assertTrue(reply_sign_ok(root))
        _, _, data = self.post_op("queryStoreInfo", {"store_appid": "S0001", "super_pwd": "1"}, path="/")
        self.assertEqual(parse_reply(data)[1]["result"], "-1")

    def test_lists(self):
        _, _, data = self.post_op("queryOrderDetail", dict(MICRO_VALUES, order_date="2024-01-01"))
        root, r = parse_reply(data)
        self.assertEqual(r["record_count"], "2")
        self.assertEqual(len(root.find("order_datas")), 2)
        _, _, data = self.post_op("queryRefundDetail", dict(MICRO_VALUES, refund_date="2024-01-01"))
        root, r = parse_reply(data)
        self.assertEqual(int(r["record_count"]), len(root.find("refund_datas")))

    def test_status_500(self):
        self.script("microPay", {"status": 500})
        status, _, _ = self.post_op("microPay", MICRO_VALUES)
        self.assertEqual(status, 500)
        status, _, _ = self.post_op("microPay", MICRO_VALUES)   # queue empty again
        self.assertEqual(status, 200)

    def test_redirect(self):
        self.script("orderQuery", {"redirect": "http://127.0.0.1:9/elsewhere"})
        status, headers, _ = self.post_op("orderQuery", dict(MICRO_VALUES, out_trade_no="1"))
        self.assertEqual((status, headers["Location"]), (302, "http://127.0.0.1:9/elsewhere"))

    def test_delay(self):
        v = dict(MICRO_VALUES, out_trade_no="1", refund_fee="1", super_pwd="888888")
        self.script("refund", {"delay": 0.4}, {"delay": 2})
        t0 = time.monotonic()
        status, _, _ = self.post_op("refund", v)
        self.assertEqual(status, 200)
        self.assertGreaterEqual(time.monotonic() - t0, 0.4)
        # a client whose read time-out is shorter gives up; the request is
        # already on record, its reply still pending
        c = self.conn(timeout=0.2)
        c.request("POST", "/pay/refund", body=request_text("refund", v))
        with self.assertRaises(TimeoutError):
            c.getresponse()
        c.close()
        rec = self.records()[-1]
        self.assertEqual((rec["op"], rec["reply_status"]), ("refund", None))

    def test_drop(self):
        self.script("unifiedOrder", {"drop": True})
        with self.assertRaises((http.client.IncompleteRead, ConnectionError)):
            self.post_op("unifiedOrder", MICRO_VALUES)

    def test_non_xml_and_sign_modes(self):
        self.script("closeOrder", {"raw": "<html>502 Bad Gateway</html"},
                    {"sign": "lower"}, {"sign": "missing"}, {"sign": "wrong"},
                    {"fields": {"result": "1", "errcode": "SYSTEMERROR"}, "omit": ["errmsg"]},
                    {"cdata": False, "root": "reply"})
        v = dict(MICRO_VALUES, out_trade_no="1")
        _, _, data = self.post_op("closeOrder", v)
        self.assertEqual(data, b"<html>502 Bad Gateway</html")
        root, r = parse_reply(self.post_op("closeOrder", v)[2])
        self.assertEqual(r["sign"], r["sign"].lower())
        self.assertFalse(reply_sign_ok(root))
        root, r = parse_reply(self.post_op("closeOrder", v)[2])
        self.assertNotIn("sign", r)
        root, r = parse_reply(self.post_op("closeOrder", v)[2])
        self.assertRegex(r["sign"], "^[0-9A-F]{32}$")
        self.assertFalse(reply_sign_ok(root))
        root, r = parse_reply(self.post_op("closeOrder", v)[2])
        self.assertEqual((r["result"], r["errcode"]), ("1", "SYSTEMERROR"))
        self.assertNotIn("errmsg", r)
        self.assertTrue(reply_sign_ok(root))
        data = self.post_op("closeOrder", v)[2]
        self.assertNotIn(b"CDATA", data)
        root, r = parse_reply(data)
        self.assertEqual(root.tag, "reply")
        self.assertTrue(reply_sign_ok(root))
        self.assertEqual([x["scripted"] for x in self.records()], [True] * 6)

    def test_base_path(self):
        v = {"appid": "wx2421b1c4370ec43b", "mch_id": "1900000109", "store_appid": "S0001",
             "syy_id": "1001", "syy_pwd": "123456"}
        _, _, data = self.post_op("syyLogin", v, path="/")
        self.assertEqual(parse_reply(data)[1]["result"], "-1")
        rec = self.records()[-1]
        self.assertEqual(rec["op"], "queryStoreInfo")
        self.assertTrue(rec["problems"][0].startswith("path: syyLogin request posted to the base path"))
        self.control("POST", "/__control/config", {"base_path": "infer"})
        _, _, data = self.post_op("syyLogin", v, path="/")
        self.assertEqual(parse_reply(data)[1]["syy_name"], "张三")
        self.assertEqual(self.records()[-1]["op"], "syyLogin")

    def test_fields_list_and_gbk(self):
        self.script("todayTotal", {"fields": [["result", "1"], ["result", "0"]], "encoding": "GBK"})
        _, headers, data = self.post_op("todayTotal", MICRO_VALUES)
        text = data.decode("gbk")
        self.assertTrue(text.startswith('<?xml version="1.0" encoding="GBK"?>\r\n<xml>\r\n'
                                        '  <result><![CDATA[1]]></result>\r\n'), text)
        self.assertIn("  <result><![CDATA[0]]></result>\r\n  <sign>", text)
        self.assertIn("charset=GBK", headers["Content-Type"])

    def test_version_file(self):
        status, _, data = self.http("GET", "/download/Update.txt")
        self.assertEqual(status, 200)
        text = data.decode("gbk")
        self.assertTrue(text.startswith("[升级配置]\r\nVer=1.0.5\r\n"), text)
        self.script("version", {"fields": {"Ver": "1.0.6"}})
        self.assertIn(b"Ver=1.0.6\r\n", self.http("GET", "/download/Update.txt")[2])
        self.control("POST", "/__control/config", {"update_status": 404})
        self.assertEqual(self.http("GET", "/download/Update.txt")[0], 404)
        self.control("POST", "/__control/config", {"update_status": 200, "update_txt": "[升级配置]\nver=2.0\n"})
        self.assertEqual(self.http("GET", "/download/Update.txt")[2], "[升级配置]\nver=2.0\n".encode("gbk"))

    def test_control_errors(self):
        self.control("POST", "/__control/script", {"op": "nosuch", "replies": []}, expect=400)
        self.control("POST", "/__control/script", {"op": "microPay", "replies": [{"sgn": "x"}]}, expect=400)
        self.control("POST", "/__control/config", {"colour": "red"}, expect=400)
        cfg = self.control("POST", "/__control/config", {"MchName": "另一个商户"})["config"]
        self.assertEqual(cfg["mch_name"], "另一个商户")
        self.control("POST", "/__control/reset", {})
        self.assertEqual(self.control("GET", "/__control/config")["mch_name"], "海川测试商户")
        self.assertEqual(self.records(), [])


@unittest.skipUnless(shutil.which("openssl"), "openssl command not found")
class TlsTest(GatewayServer):
    tls = True

    def test_https_round_trip(self):
        status, _, data = self.http("POST", "/pay/microPay", request_text("microPay", MICRO_VALUES))
        root, r = parse_reply(data)
        self.assertEqual((status, r["result"]), (200, "0"))
        self.assertTrue(reply_sign_ok(root))


if __name__ == "__main__":
    unittest.main()
