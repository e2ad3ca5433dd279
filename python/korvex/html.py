"""HTML: the template engine (HtmlProducer, fill_template) that replaces special tags
<#name params>, and the HTML text helpers (URL coding, entities, page skeleton, body text)."""
from ._korvex import (HtmlProducer, count_html_words, html_body, html_entity, html_entity_text,
                      html_escape, html_foot, html_head, html_to_text, html_unescape, http_path,
                      url_decode, url_encode)

__all__ = ["HtmlProducer", "fill_template", "url_encode", "url_decode", "http_path",
           "count_html_words", "html_entity", "html_entity_text", "html_escape", "html_unescape",
           "html_head", "html_foot", "html_body", "html_to_text"]


def fill_template(template: str, values, *, escape: bool = False, strict: bool = False) -> str:
    """template with each special tag <#name params> replaced: values is a dict or mapping
    from tag name to value (str() of it), or a callable values(name, params) giving str or
    None. Tag names are folded to lower case (A-Z only). A tag without a value stays as it
    stands, or with strict raises KeyError naming every such tag. escape passes each value
    through html_escape."""
    producer = HtmlProducer(template, values, escape=escape)
    out = producer.convert()
    if strict and producer.missing:
        raise KeyError("no value for tag " + ", ".join(repr(n) for n in producer.missing))
    return out
