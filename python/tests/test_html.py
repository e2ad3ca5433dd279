"""HtmlProducer and fill_template (dict, mapping and callable values, files and bytes), and
the HTML text helpers."""
import collections

import pytest

import korvex


@pytest.mark.parametrize("template, values, kwargs, html", [
    ("<h1><#Title></h1>", {"title": "Run 42"}, {}, "<h1>Run 42</h1>"),
    ("<#n>+<#n>", {"N": 2}, {}, "2+2"),                           # keys fold like tag names
    ("<p><#who></p>", {"who": "Lee & Søren"}, {"escape": True}, "<p>Lee &amp; S&oslash;ren</p>"),
    ("a<#gone x>b<#none>", {"none": None}, {}, "a<#gone x>b<#none>"),
    ("<#v <#w>>", {"v": "[<#w>]"}, {}, "[<#w>]>"),                # never scanned again
    ("<#tail", {"tail": "T"}, {}, "T"),                           # an unclosed tag runs to the end
    ("x < y <p>", {}, {}, "x < y <p>"),
    ("<#a>", collections.ChainMap({"a": "1"}), {}, "1"),
    ("<#value  x  > <#date>", lambda n, p: f"[{n}|{p}]" if p else None, {},
     "[value|x] <#date>"),
])
def test_fill_template(template, values, kwargs, html):
    assert korvex.fill_template(template, values, **kwargs) == html


def test_large_template_from_dict():
    template = "<td><#v></td>" * 50_000
    assert korvex.fill_template(template, {"v": 1}) == "<td>1</td>" * 50_000


def test_missing_tags_and_strict():
    p = korvex.HtmlProducer("<#a><#B><#a>", {})
    assert p.convert() == "<#a><#B><#a>"
    assert p.missing == ["a", "b"]
    with pytest.raises(KeyError, match="no value for tag 'a', 'b'"):
        korvex.fill_template("<#a><#B>", {}, strict=True)
    with pytest.raises(TypeError, match="mapping, a callable or None"):
        korvex.fill_template("<#a>", 5)


def test_handler_errors_pass_through():
    def handler(name, params):
        raise ValueError("no " + name)
    p = korvex.HtmlProducer("before<#x>after", handler)
    with pytest.raises(ValueError, match="no x"):
        p.convert()
    assert p.converted_html == "before"
    p.values = lambda name, params: p.convert()          # a handler may not re-enter
    with pytest.raises(RuntimeError, match="busy"):
        p.convert()
    p.values = None
    assert p.convert() == "before<#x>after"


def test_files_and_bytes_round_trip(tmp_path):
    name = tmp_path / "a\\b.html"          # a back slash is part of the native name
    p = korvex.HtmlProducer("<h1><#t></h1>\n\u20ac \u0101", {"t": "Ü"})
    p.convert()
    p.write(name)
    assert [f.name for f in tmp_path.iterdir()] == ["a\\b.html"]
    assert name.read_bytes() == b"<h1>\xdc</h1>\n\x80 ?"   # Windows-1252, '?' where it has none
    assert p.converted_bytes() == name.read_bytes()
    q = korvex.HtmlProducer()
    q.read_template(name)
    assert q.template == "<h1>Ü</h1>\r\n\u20ac ?\r\n"        # lines ended by CR LF
    q.load_bytes(b"x\x80<#y>")
    assert q.template == "x\x80<#y>"
    with pytest.raises(korvex.InOutError):
        q.read_template(tmp_path / "missing.html")


@pytest.mark.parametrize("call, result", [
    (lambda: korvex.url_encode("a b/c"), "a%20b%2Fc"),
    (lambda: korvex.url_decode("%2541+"), "A+"),
    (lambda: korvex.http_path("HTTP://h/docs/page.html"), "h/docs/"),
    (lambda: korvex.html_entity("é"), "&eacute;"),
    (lambda: korvex.html_entity("x"), "x"),
    (lambda: korvex.html_entity_text("&#x41;"), "A"),
    (lambda: korvex.html_entity_text("&bogus;"), "&bogus;"),
    (lambda: korvex.html_escape("<a href='x'>\r"), "&lt;a href=&#39;x&#39;&gt;&#13;"),
    (lambda: korvex.html_unescape("&eacute;&#150;&#0;&lt"), "é\u2013\ufffd&lt"),
    (lambda: korvex.html_foot(), "</body>\r\n</html>\r\n"),
    (lambda: korvex.html_foot(close_body=False), "</html>\r\n"),
    (lambda: korvex.html_body("<head></head><body class=x>in</body></html>"), "in"),
    (lambda: korvex.html_to_text("<p>a</p><p>b<br>c</p>", "|"), "a|b|c"),
    (lambda: korvex.count_html_words("<b>hello</b> big world "), 3),
    (lambda: korvex.count_html_words(["<p class='long\n", "name'>two words\n"]), 2),
    (lambda: korvex.count_html_words("42 is it ", ignore_numbers=True), 2),
])
def test_text_helpers(call, result):
    assert call() == result


def test_head_and_escape_round_trip():
    head = korvex.html_head("A & B", language="de", stylesheet="s.css", open_body=False)
    assert head.startswith("<!DOCTYPE html>\r\n<html lang=\"de\">\r\n")
    assert "<title>A &amp; B</title>" in head and "<link rel=\"stylesheet\" href=\"s.css\">" in head
    assert "<body>" not in head
    text = "".join(chr(c) for c in range(1, 600)) * 200         # long enough to drop the GIL
    assert korvex.html_unescape(korvex.html_escape(text)) == text
    with pytest.raises(ValueError, match="one character"):
        korvex.html_to_text("x", "\U0001F600")
