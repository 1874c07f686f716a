#!/usr/bin/env python3
"""Writes the roster files that the tests import: a small workbook laid out
as Excel writes one (shared and inline strings, numbers, an empty row, a
duplicate number, merged cells, a date, two sheets), a GBK CSV and a UTF-8
CSV with quoted fields. Run it here; the output is committed."""
import zipfile

NS = ('xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
      'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"')
REL = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships/'

shared = ['姓名', '学号', '班级', '张伟', '三年二班', '王芳', '赵强', '三年一班', '刘洋', '陈静']
def s(ref, text):
    return f'<c r="{ref}" t="s"><v>{shared.index(text)}</v></c>'
def n(ref, value, style=None):
    return f'<c r="{ref}"' + (f' s="{style}"' if style else '') + f'><v>{value}</v></c>'
def inline(ref, text):
    return f'<c r="{ref}" t="inlineStr"><is><t>{text}</t></is></c>'

sheet1 = (f'<worksheet {NS}><dimension ref="A1:D8"/><sheetData>'
          f'<row r="1">{s("A1", "姓名")}{s("B1", "学号")}{s("C1", "班级")}<c r="D1" s="1"/></row>'
          f'<row r="2">{s("A2", "张伟")}{n("B2", "2023017")}{s("C2", "三年二班")}</row>'
          f'<row r="3">{inline("A3", "李娜")}{n("B3", "2023018")}</row>'
          f'<row r="4">{s("A4", "王芳")}{n("B4", "2023019")}</row>'
          f'<row r="6">{s("A6", "赵强")}{n("B6", "2023017")}{s("C6", "三年一班")}</row>'
          f'<row r="7">{s("A7", "刘洋")}{n("B7", "2.02302E6")}{s("C7", "三年一班")}</row>'
          f'<row r="8">{s("A8", "陈静")}{n("B8", "2023021")}{s("C8", "三年一班")}</row>'
          '</sheetData><mergeCells count="2"><mergeCell ref="C1:D1"/><mergeCell ref="C2:C4"/></mergeCells>'
          '</worksheet>')
sheet2 = (f'<worksheet {NS}><sheetData>'
          f'<row r="1">{inline("A1", "Name")}{inline("B1", "Birthday")}</row>'
          f'<row r="2">{inline("A2", "Ann")}{n("B2", "42071", 1)}</row>'
          '</sheetData></worksheet>')
sst = (f'<sst {NS} count="{len(shared)}" uniqueCount="{len(shared)}">' +
       ''.join(f'<si><t>{t}</t></si>' for t in shared) + '</sst>')
styles = (f'<styleSheet {NS}><numFmts count="1"><numFmt numFmtId="176" formatCode="yyyy/m/d"/></numFmts>'
          '<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="176" applyNumberFormat="1"/></cellXfs></styleSheet>')
workbook = (f'<workbook {NS}><workbookPr/><sheets>'
            '<sheet name="三年级" sheetId="1" r:id="rId1"/><sheet name="生日" sheetId="2" r:id="rId2"/>'
            '</sheets></workbook>')
workbook_rels = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                 f'<Relationship Id="rId1" Type="{REL}worksheet" Target="worksheets/sheet1.xml"/>'
                 f'<Relationship Id="rId2" Type="{REL}worksheet" Target="worksheets/sheet2.xml"/>'
                 f'<Relationship Id="rId3" Type="{REL}styles" Target="styles.xml"/>'
                 f'<Relationship Id="rId4" Type="{REL}sharedStrings" Target="sharedStrings.xml"/>'
                 '</Relationships>')
package_rels = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                f'<Relationship Id="rId1" Type="{REL}officeDocument" Target="xl/workbook.xml"/></Relationships>')
types = ('<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/></Types>')

head = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
with zipfile.ZipFile('class_roster.xlsx', 'w', zipfile.ZIP_DEFLATED) as z:
    for name, text in [('[Content_Types].xml', types), ('_rels/.rels', package_rels),
                       ('xl/workbook.xml', workbook), ('xl/_rels/workbook.xml.rels', workbook_rels),
                       ('xl/worksheets/sheet1.xml', sheet1), ('xl/worksheets/sheet2.xml', sheet2),
                       ('xl/sharedStrings.xml', sst), ('xl/styles.xml', styles)]:
        info = zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, head + text)

with open('roster_gbk.csv', 'wb') as f:
    f.write('工号,姓名,部门\r\n1001,张伟,销售部\r\n1002,李娜,研发部\r\n1001,王五,销售部\r\n1003,赵六,市场部\r\n'
            .encode('gbk'))
with open('roster_utf8_quoted.csv', 'wb') as f:
    f.write('\ufeff姓名,编号,小组\r\n"Li, Na",1,"""A"" 组"\r\n"张伟\r\n（组长）",2,\r\n王芳,3,B 组\r\n'
            .encode('utf-8'))
